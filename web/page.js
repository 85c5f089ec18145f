// The page: its choices are made from the module's registries (presets, syntaxes, fits,
// dithers), every conversion goes through pelmora.convert, frames, show and font, and the
// options it passes are the manifest's keys, printed back as the pelmora-cli command.
"use strict";

(function () {
    const $ = (id) => document.getElementById(id);
    const state = { pictures: [], output: null, outputName: "", fontOutput: null, fontName: "" };
    let pelmora = null;

    function fill(select, items) {
        select.replaceChildren(
            ...items.map(([value, text]) => {
                const option = document.createElement("option");
                option.value = value;
                option.textContent = text;
                return option;
            })
        );
    }

    function showError(element, text) {
        element.textContent = text || "";
        element.hidden = !text;
    }

    // ---- The picture's options, as the manifest (and convert) name them.
    function panelOptions() {
        const options = {};
        if ($("panel").value !== "") {
            options.panel = $("panel").value;
        } else {
            options.size = $("width").value + "x" + $("height").value;
            options.layout = $("layout").value;
            options["bit-order"] = $("bit-order").value;
            if ($("layout").value === "halves") {
                options["block-width"] = $("block-width").value;
            }
        }
        for (const key of ["depth", "colours", "mask"]) {
            if ($(key).value !== "") options[key] = $(key).value;
        }
        options.format = $("format").value;
        return options;
    }

    function pictureOptions() {
        const options = panelOptions();
        if ($("name").value.trim() !== "") {
            options.name = $("name").value.trim();
        }
        if ($("inverse").checked) {
            options.inverse = true;
        }
        if ($("prepare").checked || $("frames").checked) {
            const fits = pelmora.registries.fits;
            if ($("fit").value !== fits[0]) options.fit = $("fit").value;
            if ($("background").value !== "white") options.background = $("background").value;
            options.dither = $("dither").value;
            if ($("dither").value === "threshold") {
                if ($("threshold-auto").checked) options.threshold = "auto";
                else if ($("threshold").value !== "128") options.threshold = $("threshold").value;
            }
            if ($("brightness").value !== "0") options.brightness = $("brightness").value;
            if ($("contrast").value !== "0") options.contrast = $("contrast").value;
            if ($("rotate").value !== "0") options.rotate = $("rotate").value;
            if ($("mirror").value !== "none") options.mirror = $("mirror").value;
            if ($("invert").checked) options.invert = true;
        }
        if ($("frames").checked) {
            if ($("sheet").value.trim() !== "") options.sheet = $("sheet").value.trim();
            if ($("delay").value !== "") options.delay = $("delay").value;
            if ($("merge-repeats").checked) options["merge-repeats"] = true;
        }
        return options;
    }

    // A shell word: quoted when it holds anything a shell would read otherwise.
    function shellWord(word) {
        return /^[A-Za-z0-9_@%+=:,./-]+$/.test(word) ? word : "'" + word.replace(/'/g, "'\\''") + "'";
    }

    function commandLine(command, options, file, extra) {
        const words = ["pelmora-cli", command, ...(extra || [])];
        for (const [key, value] of Object.entries(options)) {
            if (value === true) words.push("--" + key);
            else if (value !== false && value !== undefined) words.push("--" + key, String(value));
        }
        words.push(file);
        return words.map(shellWord).join(" ");
    }

    // ---- The pictures: JPEG, PNG, GIF and BMP go to the module as they are; any other
    // picture the browser can draw is handed over as a PNG, and the page says so.
    function kindOf(bytes) {
        const starts = (...values) => values.every((value, i) => bytes[i] === value);
        if (starts(0x42, 0x4d)) return "BMP";
        if (starts(0x89, 0x50, 0x4e, 0x47)) return "PNG";
        if (starts(0xff, 0xd8, 0xff)) return "JPEG";
        if (starts(0x47, 0x49, 0x46, 0x38)) return "GIF";
        return "";
    }

    async function openPictures(files) {
        for (const file of files) {
            const bytes = new Uint8Array(await file.arrayBuffer());
            const kind = kindOf(bytes);
            const note =
                kind === "JPEG" || kind === "PNG"
                    ? ""
                    : file.name +
                      (kind === "GIF" ? ": its frames are read by Pelmora's reader; as one picture, it is" : " is") +
                      " decoded by the browser, where pelmora-cli hands it to its Qt helper.";
            state.pictures.push({ name: file.name, bytes, note });
        }
        fill($("picture"), state.pictures.map((picture, i) => [String(i), picture.name]));
        $("picture").value = String(state.pictures.length - 1);
        $("frames").checked = kindOf(currentPicture().bytes) === "GIF" && isAnimated(currentPicture().bytes);
        schedule();
    }

    // An animated GIF holds more than one image descriptor; a rough count is enough to offer frames.
    function isAnimated(bytes) {
        let count = 0;
        for (let i = 0; i + 9 < bytes.length && count < 2; ++i) {
            if (bytes[i] === 0x21 && bytes[i + 1] === 0xf9 && bytes[i + 2] === 0x04) count++;
        }
        return count > 1;
    }

    function currentPicture() {
        return state.pictures[Number($("picture").value)] || null;
    }

    // ---- Converting, live.
    let pending = 0;
    function schedule() {
        cancelAnimationFrame(pending);
        pending = requestAnimationFrame(() => {
            convertNow().catch((problem) => showError($("error"), String(problem)));
        });
    }

    function hexDump(bytes) {
        const lines = [];
        for (let at = 0; at < bytes.length; at += 16) {
            const row = Array.from(bytes.subarray(at, at + 16), (b) => b.toString(16).padStart(2, "0"));
            lines.push(at.toString(16).padStart(8, "0") + "  " + row.join(" "));
        }
        return lines.join("\n");
    }

    // The syntax of that name as the registry describes it; {} for none (a font structure).
    function syntaxNamed(format) {
        return pelmora.registries.formats.find((each) => each.name === format) || {};
    }

    function extensionOf(format) {
        return syntaxNamed(format).extension || ".txt";
    }

    async function convertNow() {
        const picture = currentPicture();
        $("picture-note").textContent = picture ? picture.note : "";
        const options = pictureOptions();
        const frames = $("frames").checked;
        const file = picture ? picture.name : "picture.png";
        $("command").textContent = commandLine("convert", options, file, frames ? ["--frames"] : []);
        updateManifest(options, file, frames);
        if (!picture) {
            $("status").textContent = "Open a picture, or drop one on the page.";
            return;
        }
        const started = performance.now();
        const answer = await (frames
            ? pelmora.frames(picture.bytes, Object.assign({ file }, options))
            : pelmora.convert(picture.bytes, Object.assign({ file }, options)));
        const took = performance.now() - started;
        if (answer.error) {
            showError($("error"), file + ": " + answer.error);
            state.output = null;
            $("output").textContent = "";
            $("preview").removeAttribute("src");
            $("status").textContent = "";
            return;
        }
        showError($("error"), "");
        state.output = answer.output;
        const stem = file.replace(/\.[^.]*$/, "");
        state.outputName = "lcd_" + stem + extensionOf(options.format);
        const binary = syntaxNamed(options.format).raw;
        $("output").textContent = binary ? hexDump(answer.output) : new TextDecoder().decode(answer.output);
        $("status").textContent =
            answer.output.length + " bytes written in " + took.toFixed(0) + " ms" + (binary ? " (shown as hex)" : "");
        state.pointer = null;
        if (!frames) {
            const textOptions = showOptions(options, false);
            delete textOptions.png;
            state.pointer = { geometry: geometryOfPanel(), dots: await drawingOf(answer.output, textOptions) };
        }
        $("preview-place").textContent = "";
        const shown = await pelmora.show(answer.output, showOptions(options, frames));
        if (shown.error) {
            $("preview").removeAttribute("src");
            $("preview-caption").textContent = "show: " + shown.error;
        } else {
            setImage($("preview"), shown.output, frames ? "image/gif" : "image/png");
            $("preview-caption").textContent = frames
                ? "The frames, played with their delays, drawn from the bytes written"
                : "The panel, drawn from the bytes written";
        }
    }

    function showOptions(options, frames) {
        const shown = {};
        for (const key of ["panel", "size", "layout", "bit-order", "block-width", "depth", "colours", "mask", "format"]) {
            if (options[key] !== undefined) shown[key] = options[key];
        }
        shown.file = "panel" + extensionOf(options.format);
        shown.scale = 3;
        if (frames) {
            shown.frames = true;
            shown.gif = true;
        } else {
            shown.png = true;
        }
        return shown;
    }

    function setImage(image, bytes, type) {
        if (image.src) URL.revokeObjectURL(image.src);
        image.src = URL.createObjectURL(new Blob([bytes], { type }));
    }

    function download(bytes, name) {
        const link = document.createElement("a");
        link.href = URL.createObjectURL(new Blob([bytes], { type: "application/octet-stream" }));
        link.download = name;
        document.body.appendChild(link);
        link.click();
        link.remove();
        setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    }

    async function copy(text, button) {
        try {
            await navigator.clipboard.writeText(text);
            button.textContent = "Copied";
        } catch (problem) {
            button.textContent = "Copy refused by the browser";
        }
        setTimeout(() => (button.textContent = button.dataset.label), 1500);
    }

    // ---- The manifest for pelmora-cli build: every value a string, switches true.
    function tomlString(text) {
        return '"' + String(text).replace(/\\/g, "\\\\").replace(/"/g, '\\"') + '"';
    }

    function updateManifest(options, file, frames) {
        // The build's files are C: for a sketch when the picture's syntax is.
        const output = syntaxNamed(options.format).forSketch ? "arduino" : "c";
        const lines = ["[output]", 'header = "assets.h"', "format = " + tomlString(output), ""];
        lines.push(frames ? "[[frames]]" : "[[image]]");
        const symbol = options.name || file.replace(/\.[^.]*$/, "").replace(/[^A-Za-z0-9_]/g, "_").replace(/^([0-9])/, "_$1");
        lines.push("name = " + tomlString(symbol));
        lines.push(frames ? "files = [" + tomlString(file) + "]" : "file = " + tomlString(file));
        for (const [key, value] of Object.entries(options)) {
            if (key === "format" || key === "name") continue;
            lines.push(key + " = " + (value === true ? "true" : tomlString(value)));
        }
        $("manifest").textContent = lines.join("\n") + "\n";
    }

    // ---- Read-back.
    let readbackBytes = null;
    let readbackName = "panel.txt";
    async function readBack() {
        const typed = $("readback-text").value;
        const bytes = typed !== "" ? new TextEncoder().encode(typed) : readbackBytes;
        if (!bytes) {
            showError($("readback-error"), "Paste a file's text or open a file first.");
            return;
        }
        const options = {};
        if ($("readback-format").value !== "") options.format = $("readback-format").value;
        const binary = syntaxNamed(options.format).binary || /\.(bin|hex|ihex)$/i.test(readbackName);
        if (binary) {
            const panel = panelOptions();
            for (const key of ["panel", "size", "layout", "bit-order", "block-width", "depth", "colours", "mask"]) {
                if (panel[key] !== undefined) options[key] = panel[key];
            }
        }
        if ($("readback-frames").checked) options.frames = true;
        const file = typed !== "" ? "pasted" + (options.format ? extensionOf(options.format) : ".txt") : readbackName;
        $("readback-command").textContent = commandLine("show", options, file);
        const text = await pelmora.show(bytes, Object.assign({ file }, options));
        const picture = await pelmora.show(bytes, Object.assign({ file, scale: 3 }, options, options.frames ? { gif: true } : { png: true }));
        if (text.error) {
            showError($("readback-error"), file + ": " + text.error);
            $("readback-output").textContent = "";
            $("readback-preview").removeAttribute("src");
            return;
        }
        showError($("readback-error"), "");
        $("readback-output").textContent = new TextDecoder().decode(text.output);
        $("readback-place").textContent = "";
        state.readbackPointer = options.frames
            ? null
            : {
                  geometry: (!binary && geometryOfText(bytes)) || geometryOfPanel(),
                  dots: new TextDecoder().decode(text.output).split("\n"),
              };
        if (!picture.error) setImage($("readback-preview"), picture.output, options.frames ? "image/gif" : "image/png");
    }

    // ---- Fonts, in their own module, fetched when first asked for.
    let fontBytes = null;
    let fontFile = "font.ttf";
    async function makeFont() {
        if (!fontBytes) {
            showError($("font-error"), "Open a font first.");
            return;
        }
        const options = { size: $("font-size").value, chars: $("font-chars").value, format: $("font-format").value };
        $("font-command").textContent = commandLine("font", options, fontFile);
        $("status").textContent = "";
        const answer = await pelmora.font(fontBytes, Object.assign({ file: fontFile }, options));
        if (answer.error) {
            showError($("font-error"), fontFile + ": " + answer.error);
            $("font-output").textContent = "";
            $("font-preview").removeAttribute("src");
            return;
        }
        showError($("font-error"), "");
        state.fontOutput = answer.output;
        const stem = fontFile.replace(/\.[^.]*$/, "").replace(/[^A-Za-z0-9_]/g, "_");
        state.fontName = stem + "_" + options.size + "pt" + (syntaxNamed(options.format).name === undefined ? ".h" : extensionOf(options.format));
        $("font-output").textContent = syntaxNamed(options.format).raw ? hexDump(answer.output) : new TextDecoder().decode(answer.output);
        if (syntaxNamed(options.format).name === undefined) { // a GFXfont or a u8g2 font
            const sample = await pelmora.show(answer.output, { file: "font.h", text: $("font-sample").value, png: true, scale: 3 });
            if (sample.error) {
                showError($("font-error"), "show: " + sample.error);
                $("font-preview").removeAttribute("src");
            } else {
                setImage($("font-preview"), sample.output, "image/png");
            }
        } else {
            $("font-preview").removeAttribute("src");
        }
    }

    // ---- The byte under the pointer. Which byte and bit hold each dot is found with the
    // panel's own walk: probe pictures, each dot on where bit j of its number (from 1) is,
    // converted to bin with the same panel; a bit of the result names its dot in ~13 probes.
    function probeBitmap(width, height, on) {
        const rowBytes = Math.ceil(width / 32) * 4;
        const size = 62 + rowBytes * height;
        const bytes = new Uint8Array(size);
        const view = new DataView(bytes.buffer);
        bytes.set([0x42, 0x4d]);
        view.setUint32(2, size, true);
        view.setUint32(10, 62, true);
        view.setUint32(14, 40, true);
        view.setInt32(18, width, true);
        view.setInt32(22, height, true);
        view.setUint16(26, 1, true);
        view.setUint16(28, 1, true);
        view.setUint32(34, rowBytes * height, true);
        view.setUint32(46, 2, true);
        bytes.set([0, 0, 0, 0, 255, 255, 255, 0], 54); // black first: its dots are on
        for (let y = 0; y < height; ++y) {
            const row = 62 + (height - 1 - y) * rowBytes;
            for (let x = 0; x < width; ++x) {
                if (!on(y * width + x)) bytes[row + (x >> 3)] |= 0x80 >> (x & 7);
            }
        }
        return bytes;
    }

    const walks = new Map();
    function walkOf(geometry) {
        const key = JSON.stringify(geometry);
        if (walks.has(key)) return walks.get(key);
        const [width, height] = geometry.size.split("x").map(Number);
        let dotAt = null;
        for (let j = 0; 1 << j <= width * height; ++j) {
            const probe = probeBitmap(width, height, (i) => ((i + 1) >> j) & 1);
            const answer = pelmora.convert(probe, Object.assign({ file: "probe.bmp" }, geometry, { format: "bin" }));
            if (!answer.output) return null;
            dotAt = dotAt || new Int32Array(answer.output.length * 8);
            answer.output.forEach((byte, k) => {
                for (let bit = 0; bit < 8; ++bit) if ((byte >> bit) & 1) dotAt[k * 8 + bit] |= 1 << j;
            });
        }
        const placeOf = new Int32Array(width * height).fill(-1);
        dotAt.forEach((dot, position) => dot > 0 && (placeOf[dot - 1] = position));
        const walk = { width, height, dotAt, placeOf };
        walks.set(key, walk);
        return walk;
    }

    // Where the pointer is over image: the dot, its byte and bit, and the byte's value as
    // drawn (dots: show's text drawing, '#' on).
    function pointAt(image, event, geometry, dots, line) {
        const walk = geometry && walkOf(geometry);
        if (!walk || !dots || dots.length < walk.height || dots[0].length !== walk.width) return;
        const x = Math.floor((event.offsetX / image.clientWidth) * walk.width);
        const y = Math.floor((event.offsetY / image.clientHeight) * walk.height);
        const position = walk.placeOf[y * walk.width + x];
        if (x < 0 || y < 0 || x >= walk.width || y >= walk.height || position < 0) return;
        const byte = position >> 3;
        let value = 0;
        for (let bit = 0; bit < 8; ++bit) {
            const dot = walk.dotAt[byte * 8 + bit] - 1;
            if (dot >= 0 && dots[Math.floor(dot / walk.width)][dot % walk.width] === "#") value |= 1 << bit;
        }
        line.textContent = "Dot (" + x + ", " + y + "): byte " + byte + " (0x" + byte.toString(16).toUpperCase() +
            "), bit " + (position & 7) + "; the byte is 0x" + value.toString(16).toUpperCase().padStart(2, "0");
    }

    function geometryOfPanel() {
        const options = panelOptions();
        const geometry = { size: $("width").value + "x" + $("height").value, layout: $("layout").value, "bit-order": $("bit-order").value };
        if ($("layout").value === "halves") geometry["block-width"] = $("block-width").value;
        return options.panel || options.size ? geometry : null;
    }

    // The geometry a Pelmora text states ("pelmora-panel: 128x64 pages 128 lsb").
    function geometryOfText(bytes) {
        const found = /pelmora-panel: (\d+x\d+) (\w+) (\d+) (\w+)/.exec(new TextDecoder().decode(bytes.subarray(0, 4096)));
        if (!found) return null;
        const geometry = { size: found[1], layout: found[2], "bit-order": found[4] };
        if (found[2] === "halves") geometry["block-width"] = found[3];
        return geometry;
    }

    async function drawingOf(bytes, options) {
        const text = await pelmora.show(bytes, options);
        return text.output ? new TextDecoder().decode(text.output).split("\n") : null;
    }

    // ---- Setting up the page from the registries.
    function setUpChoices() {
        const registries = pelmora.registries;
        $("version").textContent = pelmora.version;
        fill($("panel"), [
            ...registries.presets.map((preset) => [preset.name, preset.name + " — " + preset.label]),
            ["", "Custom panel"],
        ]);
        fill($("format"), registries.formats.map((syntax) => [syntax.name, syntax.name + " — " + syntax.label]));
        fill($("readback-format"), [["", "told by the file"], ...registries.formats.map((syntax) => [syntax.name, syntax.name + " — " + syntax.label])]);
        fill($("fit"), registries.fits.map((name) => [name, name]));
        fill($("dither"), registries.dithers.map((name) => [name, name]));
        fill($("font-format"), [
            ["gfxfont", "gfxfont — a GFXfont C header"],
            ["u8g2", "u8g2 — a u8g2 font array"],
            ...registries.formats.filter((syntax) => !syntax.onlyRowsLsb).map((syntax) => [syntax.name, syntax.name + " — a table of cells"]),
        ]);
        // The preparation's help, from the command line's own option table.
        for (const option of registries.preparationOptions) {
            const element = $(option.name.replace(/^--/, ""));
            if (element) element.title = option.help.replace(/\n/g, " ");
        }
        for (const option of [...registries.panelOptions, ...registries.dotOptions]) {
            const element = $(option.name.replace(/^--/, ""));
            if (element) element.title = option.help.replace(/\n/g, " ");
        }
        presetChanged();
        $("threshold").disabled = true;
        $("threshold-auto").disabled = true;
    }

    function presetChanged() {
        const preset = pelmora.registries.presets.find((each) => each.name === $("panel").value);
        for (const id of ["width", "height", "layout", "bit-order", "block-width"]) {
            $(id).disabled = !!preset;
        }
        if (preset) {
            $("width").value = preset.width;
            $("height").value = preset.height;
            $("layout").value = preset.layout;
            $("bit-order").value = preset.bitOrder;
            $("block-width").value = preset.blockWidth;
            $("format").value = preset.format || pelmora.registries.formats[0].name;
        }
        formatChanged();
    }

    function formatChanged() {
        const syntax = pelmora.registries.formats.find((each) => each.name === $("format").value);
        $("format-note").textContent = syntax ? syntax.description : "";
        $("download").textContent = syntax && syntax.binary ? "Download the " + syntax.name + " file" : "Download";
    }

    function wire() {
        for (const button of document.querySelectorAll("button")) button.dataset.label = button.textContent;
        $("files").addEventListener("change", (event) => openPictures(event.target.files));
        const drop = $("drop");
        document.addEventListener("dragover", (event) => {
            event.preventDefault();
            drop.classList.add("over");
        });
        document.addEventListener("dragleave", () => drop.classList.remove("over"));
        document.addEventListener("drop", (event) => {
            event.preventDefault();
            drop.classList.remove("over");
            const inReadback = event.target.closest && event.target.closest("#readback-section");
            const inFont = event.target.closest && event.target.closest("#font-section");
            const files = event.dataTransfer.files;
            if (inReadback && files.length) readbackOpened(files[0]);
            else if (inFont && files.length) fontOpened(files[0]);
            else openPictures(files);
        });
        // Both events: a select may report only its change.
        const changed = (event) => {
            if (event.target.id === "panel") presetChanged();
            if (event.target.id === "format") formatChanged();
            $("brightness-value").textContent = $("brightness").value;
            $("contrast-value").textContent = $("contrast").value;
            $("preparation").hidden = !$("prepare").checked && !$("frames").checked;
            $("threshold").disabled = $("dither").value !== "threshold" || $("threshold-auto").checked;
            $("threshold-auto").disabled = $("dither").value !== "threshold";
            schedule();
        };
        $("choices").addEventListener("input", changed);
        $("choices").addEventListener("change", changed);
        $("choices").addEventListener("submit", (event) => event.preventDefault());
        $("copy").addEventListener("click", () => copy($("output").textContent, $("copy")));
        $("copy-command").addEventListener("click", () => copy($("command").textContent, $("copy-command")));
        $("download").addEventListener("click", () => state.output && download(state.output, state.outputName));
        $("manifest-copy").addEventListener("click", () => copy($("manifest").textContent, $("manifest-copy")));
        $("manifest-download").addEventListener("click", () => download(new TextEncoder().encode($("manifest").textContent), "pelmora.toml"));
        $("readback-file").addEventListener("change", (event) => event.target.files[0] && readbackOpened(event.target.files[0]));
        $("readback-show").addEventListener("click", () => readBack().catch((problem) => showError($("readback-error"), String(problem))));
        $("font-file").addEventListener("change", (event) => event.target.files[0] && fontOpened(event.target.files[0]));
        $("font-make").addEventListener("click", () => makeFont().catch((problem) => showError($("font-error"), String(problem))));
        $("font-choices").addEventListener("submit", (event) => event.preventDefault());
        $("preview").addEventListener("mousemove", (event) =>
            state.pointer && pointAt($("preview"), event, state.pointer.geometry, state.pointer.dots, $("preview-place")));
        $("readback-preview").addEventListener("mousemove", (event) =>
            state.readbackPointer &&
            pointAt($("readback-preview"), event, state.readbackPointer.geometry, state.readbackPointer.dots, $("readback-place")));
        $("font-copy").addEventListener("click", () => copy($("font-output").textContent, $("font-copy")));
        $("font-download").addEventListener("click", () => state.fontOutput && download(state.fontOutput, state.fontName));
    }

    async function readbackOpened(file) {
        readbackBytes = new Uint8Array(await file.arrayBuffer());
        readbackName = file.name;
        $("readback-text").value = "";
        await readBack();
    }

    async function fontOpened(file) {
        fontBytes = new Uint8Array(await file.arrayBuffer());
        fontFile = file.name;
        await makeFont();
    }

    async function start() {
        try {
            pelmora = await createPelmora(window.pelmoraSources);
        } catch (problem) {
            showError($("error"), "The converter could not be started: " + String(problem));
            return;
        }
        window.pelmora = pelmora;
        setUpChoices();
        wire();
        schedule();
        document.documentElement.dataset.ready = "true";
        return pelmora;
    }

    // For scripts that drive the page: resolves to the pelmora object once it is ready.
    window.pelmoraReady = start();
})();
