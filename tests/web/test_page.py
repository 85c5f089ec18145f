#!/usr/bin/python3
"""The page in a real browser: build-web/pelmora.html opened from disk in headless Chromium,
its pelmora.convert, frames, show and font held byte for byte to the native pelmora-cli on
the same files, its refusals to the command line's reasons, and its budgets.

    tests/web/test_page.py [--page build-web/pelmora.html] [--cli build/cli/pelmora-cli]

Prints a line per check and closes with "N passed, M failed"; exits 1 on any failure."""

import argparse
import base64
import functools
import gzip
import http.server
import json
import os
import pathlib
import platform
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.common.by import By

ROOT = pathlib.Path(__file__).resolve().parents[2]
parser = argparse.ArgumentParser()
parser.add_argument("--page", default=str(ROOT / "build-web" / "pelmora.html"))
parser.add_argument("--cli", default=os.environ.get("PELMORA_CLI", str(ROOT / "build" / "cli" / "pelmora-cli")))
parser.add_argument("--report", help="write the measured figures here as JSON")
args = parser.parse_args()
PAGE = pathlib.Path(args.page).resolve()
SITE = PAGE.parent / "site"
CLI = pathlib.Path(args.cli).resolve()

# Budgets.
CONVERT_MODULE_GZIP = 175 * 1024
FONT_MODULE_GZIP = 300 * 1024
FIRST_CONVERSION_S = 1.0
JPEG_RATIO = 5.0

results = {"passed": 0, "failed": 0}
figures = {}


def check(name, ok, detail=""):
    if ok:
        results["passed"] += 1
        print("ok - " + name)
    else:
        results["failed"] += 1
        print("FAIL - " + name + (": " + detail if detail else ""))


def magick(*arguments):
    subprocess.run(["convert", *arguments], check=True, cwd=WORK)


def cli_arguments(options):
    words = []
    for key, value in options.items():
        if key == "file" or value is False or value is None:
            continue
        words.append("--" + key if value is True else "--" + key + "=" + str(value))
    return words


def run_cli(command, options, file, extra=()):
    ran = subprocess.run([str(CLI), command, *extra, *cli_arguments(options), "--", file],
                         cwd=WORK, capture_output=True)
    return ran


def cli_reason(ran, file):
    line = ran.stderr.decode().split("\n")[0]
    line = line[len("pelmora-cli: "):] if line.startswith("pelmora-cli: ") else line
    return line[len(file) + 2:] if line.startswith(file + ": ") else line


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


WORK = pathlib.Path(tempfile.mkdtemp(prefix="pelmora-web-"))
try:
    # ---- The pictures, made here.
    magick("-size", "128x64", "pattern:checkerboard", "-monochrome", "-type", "bilevel", "BMP3:mono.bmp")
    magick("-size", "150x90", "-seed", "7", "plasma:", "-type", "truecolor", "BMP3:colour.bmp")
    magick("-size", "100x70", "-seed", "3", "plasma:", "-alpha", "set", "-channel", "A",
           "-evaluate", "set", "60%", "+channel", "rgba.png")
    magick("-size", "96x40", "gradient:black-white", "grey.png")
    magick("-size", "640x480", "-seed", "11", "plasma:", "-quality", "88", "photo.jpg")
    magick("-size", "60x80", "-seed", "5", "plasma:", "-colors", "64", "still.gif")
    magick("-size", "70x50", "xc:white", "-fill", "navy", "-draw", "ellipse 35,25 30,18 0,360",
           "-transparent", "white", "clear.gif")
    magick("-size", "64x48", "-seed", "9", "plasma:", "-alpha", "set", "-channel", "A", "-evaluate", "set", "50%",
           "+channel", "BMP:alpha.bmp")
    magick("-size", "80x60", "-seed", "4", "plasma:", "-colors", "16", "-type", "palette", "BMP3:palette.bmp")
    magick("-size", "48x32", "xc:white", "-fill", "black", "-draw", "circle 10,16 16,16",
           "(", "-size", "48x32", "xc:white", "-fill", "black", "-draw", "circle 24,16 30,16", ")",
           "(", "-size", "48x32", "xc:white", "-fill", "black", "-draw", "circle 24,16 30,16", ")",
           "(", "-size", "48x32", "xc:white", "-fill", "black", "-draw", "circle 38,16 44,16", ")",
           "-set", "delay", "7", "-loop", "0", "spin.gif")
    # The same photo arithmetic-coded, which libjpeg decodes natively and so must the page.
    with open(WORK / "arith.jpg", "wb") as out:
        subprocess.run(["jpegtran", "-arithmetic", str(WORK / "photo.jpg")], stdout=out, check=True)
    photo = (WORK / "photo.jpg").read_bytes()
    (WORK / "cut.jpg").write_bytes(photo[: len(photo) // 3])
    rgba = (WORK / "rgba.png").read_bytes()
    (WORK / "cut.png").write_bytes(rgba[: len(rgba) // 2])
    (WORK / "empty.png").write_bytes(b"")
    ihdr = struct.pack(">IIBBBBB", 60000, 60000, 8, 0, 0, 0, 0)
    (WORK / "huge.png").write_bytes(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) +
                                    png_chunk(b"IDAT", zlib.compress(b"\0" * 1000)) + png_chunk(b"IEND", b""))

    chrome = Options()
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,1000"]:
        chrome.add_argument(flag)
    chrome.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(options=chrome)
    driver.set_script_timeout(120)

    # ---- Navigation to the first conversion.
    driver.get(PAGE.as_uri())
    first = driver.execute_script("""
        while (!window.pelmora) await new Promise((resolve) => setTimeout(resolve, 5));
        const answer = pelmora.convert(new Uint8Array(arguments[0]), {file: "mono.bmp"});
        return {at: performance.now() / 1000, ok: !!answer.output};""", list((WORK / "mono.bmp").read_bytes()))
    figures["first_conversion_s"] = round(first["at"], 3)
    check("budget: navigation to the first conversion %.2f s (at most %.1f s)" % (first["at"], FIRST_CONVERSION_S),
          first["ok"] and first["at"] <= FIRST_CONVERSION_S)
    version = driver.execute_script("return pelmora.version")
    check("pelmora.version is the project's (%s)" % version, version == "0.1")

    def page_call(function, cases):
        """Runs pelmora[function](bytes, options) for each (file, options); answers as
        {"output": bytes} or {"error": reason}."""
        payload = [{"bytes": base64.b64encode((WORK / file).read_bytes()).decode(),
                    "options": dict(options, file=file)} for file, options in cases]
        answers = driver.execute_script("""
            const out = [];
            for (const each of arguments[0]) {
                const bytes = Uint8Array.from(atob(each.bytes), (c) => c.charCodeAt(0));
                const answer = await pelmora[arguments[1]](bytes, each.options);
                if (answer.output) {
                    let text = "";
                    for (let i = 0; i < answer.output.length; i += 8192)
                        text += String.fromCharCode(...answer.output.subarray(i, i + 8192));
                    out.push({output: btoa(text)});
                } else {
                    out.push({error: answer.error === undefined ? "(none)" : answer.error});
                }
            }
            return out;""", payload, function)
        return [{"output": base64.b64decode(a["output"])} if "output" in a else a for a in answers]

    # ---- Pictures of every reader x the four dithers x presets and syntaxes.
    panels = [
        {"panel": "ssd1306", "format": "c"},
        {"panel": "ks0108", "format": "db"},
        {"panel": "pcd8544", "format": "ihex", "fit": "cover", "brightness": 20},
        {"panel": "u8g2-xbm", "contrast": -30, "rotate": 90, "mirror": "horizontal"},
        {"size": "72x40", "layout": "rows", "bit-order": "msb", "format": "bin", "invert": True,
         "background": "black", "fit": "stretch"},
        {"panel": "st7920", "format": "gas", "name": "splash", "inverse": True},
    ]
    dithers = ["floyd-steinberg", "atkinson", "bayer", "threshold"]
    readers = {"BMP": ["mono.bmp", "colour.bmp", "alpha.bmp", "palette.bmp"], "PNG": ["rgba.png", "grey.png"],
               "JPEG": ["photo.jpg", "arith.jpg"], "GIF": ["still.gif", "clear.gif"]}
    for reader, files in readers.items():
        cases = []
        for file in files:
            for number, dither in enumerate(dithers):
                for index, panel in enumerate(panels):
                    if (index + number) % 2 and reader == "JPEG":
                        continue  # the photo is the slowest: half the pairs suffice
                    options = dict(panel, dither=dither)
                    if dither == "threshold" and index % 2:
                        options["threshold"] = "auto" if index == 3 else 100
                    cases.append((file, options))
        answers = page_call("convert", cases)
        wrong = []
        for (file, options), answer in zip(cases, answers):
            ran = run_cli("convert", options, file, ["--stdout"])
            expected = {"output": ran.stdout} if ran.returncode == 0 else {"error": cli_reason(ran, file)}
            if answer != expected:
                wrong.append("%s %s" % (file, json.dumps(options)))
        check("%s: %d conversions equal pelmora-cli's bytes" % (reader, len(cases)), not wrong, "; ".join(wrong[:3]))

    # A 1-bit BMP of the panel's size converts unprepared, as the command line takes it.
    cases = [("mono.bmp", {}), ("mono.bmp", {"format": "xbm", "layout": "rows"}),
             ("mono.bmp", {"layout": "pages", "bit-order": "msb", "format": "asm"})]
    answers = page_call("convert", cases)
    same = all(a == {"output": run_cli("convert", o, f, ["--stdout"]).stdout} for (f, o), a in zip(cases, answers))
    check("BMP: a 1-bit picture unprepared in three syntaxes equals pelmora-cli's", same)

    # Panels beyond one bit: greys, bit planes, e-paper planes, masks and whole RAM.
    cases = [(file, dict(options, dither=dither))
             for file in ["rgba.png", "photo.jpg"]
             for dither in ["floyd-steinberg", "bayer"]
             for options in [{"panel": "ssd1322", "format": "c"}, {"panel": "st7528", "format": "bin"},
                             {"panel": "uc1610", "levels": "255,190,90,0", "format": "asm"},
                             {"panel": "gxepd2-3c", "size": "152x152", "colours": "black-yellow"},
                             {"panel": "adafruit-epd-3c", "size": "128x96", "format": "gas"},
                             {"size": "64x48", "layout": "pages", "mask": "interleaved", "format": "c"},
                             {"panel": "ssd1325", "mask": "plane", "format": "db"},
                             {"panel": "sh1106-ram", "format": "ihex"}]]
    answers = page_call("convert", cases)
    wrong = ["%s %s" % (f, json.dumps(o)) for (f, o), a in zip(cases, answers)
             if a != {"output": run_cli("convert", o, f, ["--stdout"]).stdout}]
    check("%d conversions to greys, e-paper, masks and whole RAM equal pelmora-cli's" % len(cases), not wrong,
          "; ".join(wrong[:3]))

    # ---- Refusals: the command line's reason, and the next conversion still works.
    refusals = [("JPEG", "cut.jpg", {"dither": "atkinson"}), ("PNG", "cut.png", {"dither": "bayer"}),
                ("PNG", "huge.png", {"dither": "bayer"}), ("empty file", "empty.png", {"dither": "atkinson"}),
                ("BMP", "colour.bmp", {}), ("options", "photo.jpg", {"dither": "sideways"}),
                ("options", "photo.jpg", {"panel": "nosuch"}), ("options", "photo.jpg", {"size": "0x9"})]
    for reader, file, options in refusals:
        answer, after = page_call("convert", [(file, options), ("rgba.png", {"dither": "atkinson"})])
        ran = run_cli("convert", options, file, ["--stdout"])
        reason = cli_reason(ran, file)
        good_after = after == {"output": run_cli("convert", {"dither": "atkinson"}, "rgba.png", ["--stdout"]).stdout}
        check("%s refused: %s %s gives \"%s\", and the next conversion works" % (reader, file, json.dumps(options), reason),
              ran.returncode != 0 and answer == {"error": reason} and good_after, "page said %s" % answer)

    # ---- Frames: an animated GIF, and a still picture cut as a sheet.
    cases = [("spin.gif", {"format": "c"}), ("spin.gif", {"format": "db", "merge-repeats": True}),
             ("spin.gif", {"panel": "ssd1306", "format": "arduino", "dither": "bayer"}),
             ("grey.png", {"sheet": "24x20", "delay": 250, "format": "asm", "layout": "pages"}),
             ("colour.bmp", {"format": "c", "dither": "bayer", "delay": 40}), ("clear.gif", {"format": "gas"})]
    answers = page_call("frames", cases)
    wrong = [f + json.dumps(o) for (f, o), a in zip(cases, answers)
             if a != {"output": run_cli("convert", o, f, ["--frames", "--stdout"]).stdout}]
    check("GIF frames: %d animations equal pelmora-cli convert --frames" % len(cases), not wrong, "; ".join(wrong))

    # ---- Read-back: show's drawing and pictures of files pelmora-cli wrote.
    (WORK / "logo.h").write_bytes(run_cli("convert", {"panel": "ssd1306", "format": "c", "dither": "atkinson"},
                                          "rgba.png", ["--stdout"]).stdout)
    (WORK / "logo.bin").write_bytes(run_cli("convert", {"panel": "pcd8544", "format": "bin", "dither": "bayer"},
                                            "photo.jpg", ["--stdout"]).stdout)
    (WORK / "spin.txt").write_bytes(run_cli("convert", {"format": "db"}, "spin.gif", ["--frames", "--stdout"]).stdout)
    cases = [("logo.h", {}), ("logo.h", {"blocks": True}), ("logo.bin", {"panel": "pcd8544"}),
             ("spin.txt", {"frame": 2}), ("logo.h", {"format": "db"})]
    answers = page_call("show", cases)
    wrong = []
    for (file, options), answer in zip(cases, answers):
        ran = run_cli("show", options, file)
        expected = {"output": ran.stdout} if ran.returncode == 0 else {"error": cli_reason(ran, file)}
        if answer != expected:
            wrong.append(file + json.dumps(options))
    png = page_call("show", [("logo.h", {"png": True, "scale": 2})])[0]
    subprocess.run([str(CLI), "show", "--png", "shown.png", "--scale", "2", "logo.h"], cwd=WORK, check=True,
                   capture_output=True)
    check("show: %d read-backs and a PNG equal pelmora-cli show" % (len(cases) + 1),
          not wrong and png == {"output": (WORK / "shown.png").read_bytes()}, "; ".join(wrong))

    # ---- A font, in its own module.
    font = pathlib.Path("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
    if font.exists():
        shutil.copy(font, WORK / "DejaVuSans.ttf")
        cases = [("DejaVuSans.ttf", {"size": 12}), ("DejaVuSans.ttf", {"size": 16, "format": "u8g2", "chars": "48-57"}),
                 ("DejaVuSans.ttf", {"size": 10, "format": "c", "chars": "65-70", "layout": "rows"}),
                 ("DejaVuSans.ttf", {"size": 0})]
        # Bitmap fonts, where installed: a compressed PCF and an OpenType bitmap (OTB).
        for found, options in [(pathlib.Path("/usr/share/fonts/X11/misc/ter-u12b_iso-8859-1.pcf.gz"), {"size": 12}),
                               (pathlib.Path("/usr/share/fonts/opentype/terminus/terminus-normal.otb"),
                                {"size": 14, "format": "u8g2", "chars": "32-90"})]:
            if found.exists():
                shutil.copy(found, WORK / found.name)
                cases.append((found.name, options))
        answers = page_call("font", cases)
        wrong = []
        for (file, options), answer in zip(cases, answers):
            ran = run_cli("font", options, file, ["--stdout"])
            expected = {"output": ran.stdout} if ran.returncode == 0 else {"error": cli_reason(ran, file)}
            if answer != expected:
                wrong.append(file + json.dumps(options) + " page: " + str(answer)[:120])
        check("font: %d fonts equal pelmora-cli font" % len(cases), not wrong, "; ".join(wrong))
    else:
        check("font: DejaVu Sans (fonts-dejavu-core) is there to convert", False)

    # ---- The page itself: a picture opened through its file control.
    driver.get(PAGE.as_uri())
    driver.execute_script("while (!document.documentElement.dataset.ready) await new Promise((r) => setTimeout(r, 5));")
    driver.find_element(By.ID, "files").send_keys(str(WORK / "rgba.png"))
    driver.execute_script("while (!document.getElementById('output').textContent) await new Promise((r) => setTimeout(r, 10));")
    command = driver.find_element(By.ID, "command").text
    expected = run_cli("convert", {"panel": "ks0108", "format": "db", "dither": "floyd-steinberg"}, "rgba.png",
                       ["--stdout"]).stdout.decode()
    shown = driver.execute_script("return document.getElementById('output').textContent")
    check("the page converts an opened picture and prints the command: " + command,
          command == "pelmora-cli convert --panel ks0108 --format db --dither floyd-steinberg rgba.png" and shown == expected)
    presets = driver.execute_script("return [...document.getElementById('panel').options].map((o) => o.value)")
    listed = [line.split()[0] for line in subprocess.run([str(CLI), "--list", "panels"], capture_output=True,
                                                          text=True).stdout.splitlines() if line.strip()]
    check("the page lists every preset pelmora-cli lists", presets[: len(listed)] == listed, str(presets))

    # The byte under the pointer is the byte written there, in two walks.
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.support.ui import Select
    wrong = []
    for panel in ["ks0108", "u8g2-xbm"]:
        Select(driver.find_element(By.ID, "panel")).select_by_value(panel)
        Select(driver.find_element(By.ID, "format")).select_by_value("bin")
        written = run_cli("convert", {"panel": panel, "format": "bin", "dither": "floyd-steinberg"}, "rgba.png",
                          ["--stdout"]).stdout
        driver.execute_script("""
            while (!document.getElementById('status').textContent.includes('hex')) await new Promise((r) => setTimeout(r, 10));
            await new Promise((r) => setTimeout(r, 300));""")
        image = driver.find_element(By.ID, "preview")
        width, height = image.size["width"], image.size["height"]
        for fx, fy in [(0.1, 0.1), (0.52, 0.7), (0.93, 0.33), (0.3, 0.95)]:
            ActionChains(driver).move_to_element_with_offset(image, int(width * (fx - 0.5)),
                                                             int(height * (fy - 0.5))).perform()
            line = driver.execute_script("""
                await new Promise((r) => setTimeout(r, 50));
                return document.getElementById('preview-place').textContent;""")
            words = line.replace(",", "").replace(";", "").split()
            try:
                byte = int(words[words.index("byte") + 1])
                value = int(words[-1], 16)
                if written[byte] != value:
                    wrong.append("%s: %s, written 0x%02X" % (panel, line, written[byte]))
            except (ValueError, IndexError):
                wrong.append("%s: %r" % (panel, line))
    check("the byte under the pointer is the byte pelmora-cli writes there", not wrong, "; ".join(wrong[:3]))

    # Every control reached by the keyboard has a name; at 200 % zoom (640 CSS pixels) no line runs off.
    unnamed = driver.execute_script("""
        return [...document.querySelectorAll('input, select, textarea, button')]
            .filter((c) => c.tabIndex < 0 || !((c.labels && c.labels.length) || c.getAttribute('aria-label') || c.textContent.trim()))
            .map((c) => c.id);""")
    check("every control is reachable by the keyboard and named", not unnamed, str(unnamed))
    driver.set_window_size(640 + 16, 900)
    overflow = driver.execute_script("return document.documentElement.scrollWidth - document.documentElement.clientWidth")
    check("at 200 %% zoom nothing runs off the page's width (%d pixels over)" % overflow, overflow <= 0)
    driver.set_window_size(1280, 1000)

    # ---- Speed: a 640 x 480 JPEG prepared in the page beside the whole native process.
    native = []
    for _ in range(7):
        started = time.perf_counter()
        subprocess.run([str(CLI), "convert", "--dither", "floyd-steinberg", "--stdout", "photo.jpg"], cwd=WORK,
                       check=True, capture_output=True)
        native.append(time.perf_counter() - started)
    in_page = driver.execute_script("""
        const bytes = Uint8Array.from(atob(arguments[0]), (c) => c.charCodeAt(0));
        const times = [];
        for (let i = 0; i < 7; ++i) {
            const started = performance.now();
            const answer = pelmora.convert(bytes, {file: "photo.jpg", dither: "floyd-steinberg"});
            times.push(performance.now() - started);
            if (!answer.output) return null;
        }
        return times;""", base64.b64encode(photo).decode())
    native_s = statistics.median(native)
    page_s = statistics.median(in_page) / 1000
    figures.update(native_ms=round(native_s * 1000, 2), page_ms=round(page_s * 1000, 2), ratio=round(page_s / native_s, 2))
    check("budget: a 640 x 480 JPEG in the page %.1f ms, the native process %.1f ms: %.2fx (at most %.0fx)"
          % (page_s * 1000, native_s * 1000, page_s / native_s, JPEG_RATIO), page_s <= JPEG_RATIO * native_s)

    # ---- The module sizes.
    for name, budget in [("convert", CONVERT_MODULE_GZIP), ("font", FONT_MODULE_GZIP)]:
        size = len(gzip.compress((SITE / ("pelmora-%s.wasm" % name)).read_bytes(), 9))
        figures[name + "_module_gzip_kb"] = round(size / 1024, 1)
        check("budget: the %s module %.1f KB gzipped (at most %d KB)" % (name, size / 1024, budget // 1024),
              size <= budget)

    # ---- The hosted site: the same page as separate files, served over HTTP.
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *arguments):
            pass

    handler = functools.partial(Quiet, directory=str(SITE))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    driver.get("http://127.0.0.1:%d/index.html" % server.server_address[1])
    hosted = driver.execute_script("""
        while (!window.pelmora) await new Promise((resolve) => setTimeout(resolve, 5));
        const answer = pelmora.convert(Uint8Array.from(atob(arguments[0]), (c) => c.charCodeAt(0)), {file: "rgba.png", dither: "bayer"});
        const font = await pelmora.font(new Uint8Array(0), {file: "none.ttf"});
        return [answer.output ? btoa(String.fromCharCode(...answer.output)) : answer.error, font.error || ""];""",
                                   base64.b64encode(rgba).decode())
    server.shutdown()
    check("the hosted site converts as the one file does",
          base64.b64decode(hosted[0]) == run_cli("convert", {"dither": "bayer"}, "rgba.png", ["--stdout"]).stdout
          and hosted[1] != "", str(hosted[1]))

    # ---- No console error on the way.
    errors = [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
    check("no console error", not errors, "; ".join(errors[:3]))
    driver.quit()
finally:
    shutil.rmtree(WORK, ignore_errors=True)

figures.update(date=time.strftime("%Y-%m-%d"), machine="%s, %d cores, %s" % (
    platform.processor() or platform.machine(), os.cpu_count() or 0, platform.platform()))
print("figures: " + json.dumps(figures))
if args.report:
    pathlib.Path(args.report).write_text(json.dumps(figures, indent=2) + "\n")
print("%d passed, %d failed" % (results["passed"], results["failed"]))
sys.exit(1 if results["failed"] else 0)
