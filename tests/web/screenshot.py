#!/usr/bin/python3
"""Takes docs/web-page.png: build-web/pelmora.html in headless Chromium with a picture made
here opened in it, on the SSD1306 preset in C with Atkinson's dither.

    tests/web/screenshot.py [--page build-web/pelmora.html] [--out docs/web-page.png]"""

import argparse
import pathlib
import subprocess
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

ROOT = pathlib.Path(__file__).resolve().parents[2]
parser = argparse.ArgumentParser()
parser.add_argument("--page", default=str(ROOT / "build-web" / "pelmora.html"))
parser.add_argument("--out", default=str(ROOT / "docs" / "web-page.png"))
args = parser.parse_args()

with tempfile.TemporaryDirectory() as work:
    picture = pathlib.Path(work) / "hello.png"
    subprocess.run(["convert", "-size", "320x160", "radial-gradient:white-#404040", "-fill", "black",
                    "-draw", "circle 70,80 70,20", "-fill", "white", "-draw", "circle 70,80 70,50",
                    "-font", "DejaVu-Sans-Bold", "-pointsize", "44", "-fill", "black", "-annotate", "+135+95",
                    "Hello", "-pointsize", "20", "-annotate", "+140+130", "panel", str(picture)], check=True)
    chrome = Options()
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1200,1060",
                 "--hide-scrollbars"]:
        chrome.add_argument(flag)
    driver = webdriver.Chrome(options=chrome)
    driver.get(pathlib.Path(args.page).resolve().as_uri())
    driver.execute_script("while (!document.documentElement.dataset.ready) await new Promise((r) => setTimeout(r, 5));")
    Select(driver.find_element(By.ID, "panel")).select_by_value("ssd1306")
    Select(driver.find_element(By.ID, "format")).select_by_value("c")
    Select(driver.find_element(By.ID, "dither")).select_by_value("atkinson")
    driver.find_element(By.ID, "files").send_keys(str(picture))
    driver.execute_script("""
        while (!document.getElementById('preview').src || !document.getElementById('preview').complete)
            await new Promise((r) => setTimeout(r, 10));""")
    driver.execute_script("document.activeElement.blur(); window.scrollTo(0, 0);")
    driver.save_screenshot(args.out)
    driver.quit()
print(args.out)
