// The page's one way into Pelmora: pelmora.convert, frames, show and font, each running
// pelmora-cli's own command in the module over the bytes given, with the options a
// manifest (pelmora.toml) would give ({panel: "ssd1306", format: "c", dither: "atkinson"}),
// and answering {output: Uint8Array} or {error: "reason"}, the command line's reason.
"use strict";

(function (global) {
    // Options as pelmora-cli's arguments: a key is its long option, true a switch.
    function argumentsOf(options, skip) {
        const args = [];
        for (const [key, value] of Object.entries(options || {})) {
            if (skip.includes(key) || value === false || value === null || value === undefined) {
                continue;
            }
            args.push(value === true ? "--" + key : "--" + key + "=" + String(value));
        }
        return args;
    }

    // "pelmora-cli: picture.png: the reason" -> "the reason"; the input's name is the
    // page's, not the user's, so only the reason is worth showing.
    function reasonOf(stderr, subjects) {
        const lines = stderr.split("\n").filter((line) => line.length > 0);
        if (lines.length === 0) {
            return "the command failed with no reason given";
        }
        let line = lines[0].replace(/^pelmora-cli: /, "");
        for (const subject of subjects) {
            if (line.startsWith(subject + ": ")) {
                return line.slice(subject.length + 2);
            }
        }
        return line;
    }

    // One module (the pictures' or the fonts'): its command runner over a file system kept
    // in memory, the output and error streams taken as bytes.
    async function startModule(factory, wasmBinary) {
        let stdout = [];
        let stderr = [];
        const settings = {
            preRun: [
                (module) => {
                    module.FS.init(
                        () => null,
                        (byte) => { if (byte !== null) stdout.push(byte); },
                        (byte) => { if (byte !== null) stderr.push(byte); }
                    );
                },
            ],
            print: () => {},
            printErr: () => {},
        };
        if (wasmBinary) {
            settings.wasmBinary = wasmBinary;
        }
        const module = await factory(settings);
        module.FS.mkdir("/job");
        const encoder = new TextEncoder();
        const decoder = new TextDecoder();
        function run(command, args, inputs) {
            const names = [];
            for (const [name, bytes] of inputs) {
                module.FS.writeFile("/job/" + name, bytes);
                names.push(name);
            }
            const packed = [command, ...args].map((arg) => encoder.encode(arg));
            const size = packed.reduce((sum, arg) => sum + arg.length + 1, 0);
            const pointer = module._malloc(size);
            let at = pointer;
            for (const arg of packed) {
                module.HEAPU8.set(arg, at);
                module.HEAPU8[at + arg.length] = 0;
                at += arg.length + 1;
            }
            stdout = [];
            stderr = [];
            let status;
            try {
                module.FS.chdir("/job");
                status = module._pelmora_run(pointer, size);
            } catch (thrown) {
                status = 1;
                stderr = Array.from(encoder.encode("pelmora-cli: " + String(thrown) + "\n"));
            } finally {
                module._free(pointer);
            }
            // What the command wrote is taken, whatever mode it gave it; then the folder is
            // emptied for the next run.
            const files = {};
            const clear = (folder) => {
                for (const name of module.FS.readdir(folder)) {
                    if (name === "." || name === "..") {
                        continue;
                    }
                    const path = folder + "/" + name;
                    module.FS.chmod(path, 0o700);
                    if (module.FS.isDir(module.FS.stat(path).mode)) {
                        clear(path);
                        module.FS.rmdir(path);
                        continue;
                    }
                    if (folder === "/job" && !names.includes(name)) {
                        files[name] = module.FS.readFile(path);
                    }
                    module.FS.unlink(path);
                }
            };
            clear("/job");
            return {
                status,
                stdout: Uint8Array.from(stdout),
                stderr: decoder.decode(Uint8Array.from(stderr)),
                files,
                names,
            };
        }
        const registries = JSON.parse(module.UTF8ToString(module._pelmora_registries()));
        return { run, registries };
    }

    function answer(ran, outputFile) {
        if (ran.status !== 0) {
            // The first line is the reason; any after it are the command line's hints.
            return { error: reasonOf(ran.stderr, ran.names), messages: ran.stderr };
        }
        return { output: outputFile ? ran.files[outputFile] : ran.stdout };
    }

    function bytesOf(input) {
        if (input instanceof Uint8Array) {
            return input;
        }
        if (input instanceof ArrayBuffer) {
            return new Uint8Array(input);
        }
        if (typeof input === "string") {
            return new TextEncoder().encode(input);
        }
        return Uint8Array.from(input || []);
    }

    // The file's name: the symbol's default, as pelmora-cli takes it from the picture's.
    function fileOf(options, fallback) {
        const name = (options && options.file) || fallback;
        return String(name).replace(/^.*[\\/]/, "") || fallback;
    }

    // Builds the pelmora object from the page's module sources: sources.module(name)
    // gives a module's factory and, for the page that carries its modules inside it, its
    // bytes. convert is started at once; show and font when first asked for.
    async function createPelmora(sources) {
        const started = {};
        function moduleNamed(name) {
            if (!started[name]) {
                started[name] = sources.module(name).then((found) => startModule(found.factory, found.wasm));
            }
            return started[name];
        }
        const pictures = await moduleNamed("convert");
        // The keys that ask for a picture to be prepared, from the command line's table.
        const preparing = pictures.registries.preparationOptions.map((option) => option.name.slice(2));
        function kindOf(bytes) {
            const starts = (...values) => values.every((value, i) => bytes[i] === value);
            if (starts(0x89, 0x50, 0x4e, 0x47)) return "PNG";
            if (starts(0xff, 0xd8, 0xff)) return "JPEG";
            if (starts(0x47, 0x49, 0x46, 0x38)) return "GIF";
            return "";
        }
        // pelmora-cli prepares JPEGs and PNGs (and the frames of GIFs) with its own readers
        // and hands any other picture to its Qt helper; here the browser stands in for the
        // helper, its pixels handed on as a PNG, which the module reads as it reads any PNG.
        // A panel of more than one bit in one plane is always prepared, as pelmora-cli
        // prepares it: a preset of greys or e-paper, or options that make one.
        function beyondOneBit(options) {
            const preset = pictures.registries.presets.find((each) => each.name === options.panel);
            const asked = (key) => options[key] !== undefined && options[key] !== false;
            return (preset !== undefined && !preset.plain) || options.layout === "bitplanes" ||
                (asked("depth") && String(options.depth) !== "1") || asked("colours") || asked("mask") ||
                asked("ram-width") || asked("x-offset");
        }
        function needsBrowser(bytes, options, frames) {
            const kind = kindOf(bytes);
            if (kind === "PNG" || kind === "JPEG") return false;
            if (frames) return kind !== "GIF" && !options.sheet;
            return beyondOneBit(options) ||
                preparing.some((key) => options[key] !== undefined && options[key] !== false);
        }
        // The picture's pixels as the browser decodes them, straight (not premultiplied)
        // and untouched by colour management: ImageDecoder where there is one, else a canvas,
        // which keeps the colour of a half-transparent pixel only roughly.
        async function pixelsOf(bytes) {
            if (typeof ImageDecoder !== "undefined") {
                try {
                    const type = kindOf(bytes) === "GIF" ? "image/gif" : bytes[0] === 0x42 && bytes[1] === 0x4d ? "image/bmp" : "";
                    const decoder = type && new ImageDecoder({ data: bytes, type, premultiplyAlpha: "none", colorSpaceConversion: "none" });
                    const frame = decoder && (await decoder.decode({ frameIndex: 0 })).image;
                    const order = frame && { RGBA: [0, 1, 2, 3], RGBX: [0, 1, 2, -1], BGRA: [2, 1, 0, 3], BGRX: [2, 1, 0, -1] }[frame.format];
                    if (order) {
                        const width = frame.displayWidth;
                        const height = frame.displayHeight;
                        const raw = new Uint8Array(frame.allocationSize());
                        const layout = await frame.copyTo(raw);
                        const rgba = new Uint8Array(width * height * 4);
                        for (let y = 0; y < height; ++y) {
                            let from = layout[0].offset + y * layout[0].stride;
                            for (let x = 0, to = y * width * 4; x < width; ++x, from += 4, to += 4) {
                                rgba[to] = raw[from + order[0]];
                                rgba[to + 1] = raw[from + order[1]];
                                rgba[to + 2] = raw[from + order[2]];
                                rgba[to + 3] = order[3] < 0 ? 255 : raw[from + order[3]];
                            }
                        }
                        frame.close();
                        decoder.close();
                        return { width, height, rgba };
                    }
                    if (frame) frame.close();
                    if (decoder) decoder.close();
                } catch (problem) {
                    // the canvas below may still read it
                }
            }
            let bitmap;
            try {
                bitmap = await createImageBitmap(new Blob([bytes]), {
                    colorSpaceConversion: "none",
                    premultiplyAlpha: "none",
                });
            } catch (problem) {
                return null;
            }
            const canvas = document.createElement("canvas");
            canvas.width = bitmap.width;
            canvas.height = bitmap.height;
            const context = canvas.getContext("2d");
            context.drawImage(bitmap, 0, 0);
            const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
            return { width: bitmap.width, height: bitmap.height, rgba: new Uint8Array(data.buffer) };
        }
        // Straight RGBA as a PNG of 8-bit RGBA rows, filter 0, its data deflated by the browser.
        async function pngOf(picture) {
            const crcTable = new Uint32Array(256).map((_, n) => {
                let c = n;
                for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
                return c;
            });
            const chunk = (kind, data) => {
                const out = new Uint8Array(12 + data.length);
                const view = new DataView(out.buffer);
                view.setUint32(0, data.length);
                out.set(new TextEncoder().encode(kind), 4);
                out.set(data, 8);
                let crc = 0xffffffff;
                for (let i = 4; i < 8 + data.length; ++i) crc = crcTable[(crc ^ out[i]) & 0xff] ^ (crc >>> 8);
                view.setUint32(8 + data.length, (crc ^ 0xffffffff) >>> 0);
                return out;
            };
            const { width, height, rgba } = picture;
            const rows = new Uint8Array(height * (width * 4 + 1));
            for (let y = 0; y < height; ++y) {
                rows.set(rgba.subarray(y * width * 4, (y + 1) * width * 4), y * (width * 4 + 1) + 1);
            }
            const deflated = new Uint8Array(
                await new Response(new Blob([rows]).stream().pipeThrough(new CompressionStream("deflate"))).arrayBuffer()
            );
            const header = new Uint8Array(13);
            const view = new DataView(header.buffer);
            view.setUint32(0, width);
            view.setUint32(4, height);
            header.set([8, 6, 0, 0, 0], 8);
            const parts = [Uint8Array.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), chunk("IHDR", header), chunk("IDAT", deflated), chunk("IEND", new Uint8Array(0))];
            return new Uint8Array(await new Blob(parts).arrayBuffer());
        }
        async function throughBrowser(bytes) {
            const picture = await pixelsOf(bytes);
            return picture ? pngOf(picture) : null;
        }
        function convertWith(extra, fallback, input, options) {
            const file = fileOf(options, fallback);
            const args = argumentsOf(options, ["file", "frames", "stdout", "quiet", "output-dir", "o"]);
            const run = (bytes) => answer(pictures.run("convert", [...extra, ...args, "--stdout", "--", file], [[file, bytes]]));
            const bytes = bytesOf(input);
            if (!needsBrowser(bytes, options || {}, extra.length > 0)) {
                return run(bytes);
            }
            return throughBrowser(bytes).then((png) =>
                png ? run(png) : { error: "the picture could not be read (not a picture in a format this machine reads)" }
            );
        }
        const pelmora = {
            version: sources.version,
            registries: pictures.registries,
            // An answer at once for what the module reads itself; a promise of one for a
            // picture the browser decodes first. Either way, `await` it.
            convert(input, options) {
                return convertWith([], "picture", input, options);
            },
            frames(input, options) {
                return convertWith(["--frames"], "animation", input, options);
            },
            // The text drawing show prints; with png, bmp or gif: true, that picture's bytes.
            async show(input, options) {
                const module = await moduleNamed("show");
                const file = fileOf(options, "panel.txt");
                const opts = Object.assign({}, options);
                let picture = null;
                for (const kind of ["png", "bmp", "gif"]) {
                    if (opts[kind] === true) {
                        picture = "shown." + kind;
                        opts[kind] = picture;
                    }
                }
                const args = argumentsOf(opts, ["file"]);
                return answer(module.run("show", [...args, "--", file], [[file, bytesOf(input)]]), picture);
            },
            // Fonts are drawn by FreeType in a module of their own, fetched the first time.
            async font(input, options) {
                const module = await moduleNamed("font");
                const file = fileOf(options, "font.ttf");
                const args = argumentsOf(options, ["file", "stdout", "quiet", "output-dir", "o"]);
                return answer(module.run("font", [...args, "--stdout", "--", file], [[file, bytesOf(input)]]));
            },
        };
        return pelmora;
    }

    global.createPelmora = createPelmora;
})(typeof window !== "undefined" ? window : globalThis);
