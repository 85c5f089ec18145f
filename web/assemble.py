#!/usr/bin/env python3
"""Puts the page together: site/ with the modules as separate files, for hosting, and
pelmora.html with everything inside it (the modules as base64), which works opened from
disk with no network. The font module is compiled only when a font is first asked for."""
import argparse
import base64
import pathlib
import re
import shutil

parser = argparse.ArgumentParser()
parser.add_argument("--source", required=True)
parser.add_argument("--modules", required=True)
parser.add_argument("--out", required=True)
args = parser.parse_args()
source = pathlib.Path(args.source)
modules = pathlib.Path(args.modules)
out = pathlib.Path(args.out)

project = (source.parent / "CMakeLists.txt").read_text()
version = re.search(r"project\(pelmora VERSION ([0-9.]+)", project).group(1)
page = (source / "page.html").read_text()
css = (source / "page.css").read_text()
api = (source / "pelmora_api.js").read_text()
script = (source / "page.js").read_text()


def inline_script(text):
    return "<script>\n" + text.replace("</script", "<\\/script") + "\n</script>"


# The separate files: the modules fetch their .wasm beside them.
site = out / "site"
site.mkdir(parents=True, exist_ok=True)
for name in ["pelmora-convert.js", "pelmora-convert.wasm", "pelmora-font.js", "pelmora-font.wasm"]:
    shutil.copyfile(modules / name, site / name)
for name in ["page.css", "page.js", "pelmora_api.js"]:
    shutil.copyfile(source / name, site / name)
hosted_sources = """<script>
window.pelmoraSources = {
    version: "%s",
    convertFactory: () => PelmoraConvert,
    convertWasm: null,
    fontFactory: () => new Promise((resolve, reject) => {
        const tag = document.createElement("script");
        tag.src = "pelmora-font.js";
        tag.onload = () => resolve({ factory: PelmoraFont, wasm: null });
        tag.onerror = () => reject(new Error("the font module could not be loaded"));
        document.head.appendChild(tag);
    }),
};
</script>""" % version
hosted = (page.replace("<!-- STYLE -->", '<link rel="stylesheet" href="page.css">')
          .replace("<!-- SCRIPTS -->", '<script src="pelmora-convert.js"></script>\n' + hosted_sources +
                   '\n<script src="pelmora_api.js"></script>\n<script src="page.js"></script>'))
(site / "index.html").write_text(hosted)


# The one file: the wasm as base64 in inert script elements, decoded when needed.
def wasm_block(name, element):
    data = base64.b64encode((modules / name).read_bytes()).decode()
    return '<script type="application/octet-stream" id="%s">%s</script>' % (element, data)


single_sources = """<script>
function pelmoraBytes(id) {
    const text = atob(document.getElementById(id).textContent);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    return bytes;
}
window.pelmoraSources = {
    version: "%s",
    convertFactory: () => PelmoraConvert,
    convertWasm: pelmoraBytes("pelmora-convert-wasm"),
    fontFactory: async () => {
        const tag = document.createElement("script");
        tag.textContent = document.getElementById("pelmora-font-js").textContent;
        document.head.appendChild(tag);
        return { factory: PelmoraFont, wasm: pelmoraBytes("pelmora-font-wasm") };
    },
};
</script>""" % version
font_js = (modules / "pelmora-font.js").read_text().replace("</script", "<\\/script")
single = (page.replace("<!-- STYLE -->", "<style>\n" + css + "\n</style>")
          .replace("<!-- SCRIPTS -->", "\n".join([
              wasm_block("pelmora-convert.wasm", "pelmora-convert-wasm"),
              wasm_block("pelmora-font.wasm", "pelmora-font-wasm"),
              '<script type="text/plain" id="pelmora-font-js">' + font_js + "</script>",
              inline_script((modules / "pelmora-convert.js").read_text()),
              single_sources,
              inline_script(api),
              inline_script(script),
          ])))
(out / "pelmora.html").write_text(single)
