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


MODULES = {"convert": "PelmoraConvert", "show": "PelmoraShow", "font": "PelmoraFont"}

# The separate files: each module's script is added when the module is first asked for,
# and fetches its .wasm beside it.
site = out / "site"
site.mkdir(parents=True, exist_ok=True)
for name in MODULES:
    for extension in ["js", "wasm"]:
        shutil.copyfile(modules / ("pelmora-%s.%s" % (name, extension)), site / ("pelmora-%s.%s" % (name, extension)))
for name in ["page.css", "page.js", "pelmora_api.js"]:
    shutil.copyfile(source / name, site / name)
factories = ", ".join('%s: () => %s' % (name, factory) for name, factory in MODULES.items())
hosted_sources = """<script>
window.pelmoraSources = {
    version: "%s",
    module: (name) => new Promise((resolve, reject) => {
        const factories = { %s };
        const tag = document.createElement("script");
        tag.src = "pelmora-" + name + ".js";
        tag.onload = () => resolve({ factory: factories[name](), wasm: null });
        tag.onerror = () => reject(new Error("the " + name + " module could not be loaded"));
        document.head.appendChild(tag);
    }),
};
</script>""" % (version, factories)
hosted = (page.replace("<!-- STYLE -->", '<link rel="stylesheet" href="page.css">')
          .replace("<!-- SCRIPTS -->", hosted_sources +
                   '\n<script src="pelmora_api.js"></script>\n<script src="page.js"></script>'))
(site / "index.html").write_text(hosted)


# The one file: each module's script and wasm (as base64) kept inert in the page, run and
# decoded when the module is first asked for.
def inert(name, kind, data):
    return '<script type="text/plain" id="pelmora-%s-%s">%s</script>' % (name, kind, data)


blocks = []
for name in MODULES:
    blocks.append(inert(name, "wasm", base64.b64encode((modules / ("pelmora-%s.wasm" % name)).read_bytes()).decode()))
    blocks.append(inert(name, "js", (modules / ("pelmora-%s.js" % name)).read_text().replace("</script", "<\\/script")))
single_sources = """<script>
window.pelmoraSources = {
    version: "%s",
    module: async (name) => {
        const factories = { %s };
        const tag = document.createElement("script");
        tag.textContent = document.getElementById("pelmora-" + name + "-js").textContent;
        document.head.appendChild(tag);
        const text = atob(document.getElementById("pelmora-" + name + "-wasm").textContent);
        const wasm = new Uint8Array(text.length);
        for (let i = 0; i < text.length; ++i) wasm[i] = text.charCodeAt(i);
        return { factory: factories[name](), wasm };
    },
};
</script>""" % (version, factories)
single = (page.replace("<!-- STYLE -->", "<style>\n" + css + "\n</style>")
          .replace("<!-- SCRIPTS -->", "\n".join(blocks + [single_sources, inline_script(api), inline_script(script)])))
(out / "pelmora.html").write_text(single)
