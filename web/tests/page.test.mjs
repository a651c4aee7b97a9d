// The page in Debian's Chromium, served from this machine: a flow per feature as the
// window's test, steps as a user takes them and what the user sees. Its own wiring and
// texts; its lists and numbers, from the WebAssembly core, as the native companion's.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";
import { chromium } from "playwright-core";

const corpus = new URL("../../fuzz/corpus/song_fuzz/", import.meta.url).pathname;
const files = { "broken.xm": "Extended", "song.asm": "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n" };
const site = process.env.BEATWRIGHT_SITE ?? new URL("../../build-web/site", import.meta.url).pathname;
const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".svg": "image/svg+xml", ".webmanifest": "application/manifest+json" };
const server = createServer(async (request, response) => {
  const path = normalize(decodeURIComponent(new URL(request.url, "http://host").pathname)).replace(/^\/+/, "") || "index.html";
  try {
    const body = await readFile(join(site, path));
    response.writeHead(200, { "content-type": types[extname(path)] ?? "application/octet-stream" }).end(body);
  } catch {
    response.writeHead(404).end();
  }
});
let origin, browser;

before(async () => {
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox", "--disable-gpu", "--disable-quic",
    "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync"] });
});
after(async () => {
  await browser?.close();
  server.close();
});

// "speed 6", "tempo 125", "tolerance 5", "driver sonic2", "state 2" (the song's), "pal",
// "ntsc", "go", "answer OK" (the message, noted), "click 0503", "right 0724" (a context
// menu), "item Copy" (its item), "focus List1", "key End", "open seed1.xm", "port", "copy
// plan", "copy source", "save" (the ported song), "convert 3" (the converted song's name and
// first 3 lines), "reload", "offline"; "look" at what a user sees, "look plan 2" at
// its first two lines. On a fresh page that may use the clipboard; anything it asks of
// another site is seen too.
async function run(steps) {
  const context = await browser.newContext();
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  const page = await context.newPage();
  const seen = [];
  page.on("request", (request) => request.url().startsWith(origin) || seen.push(request.url()));
  await page.goto(`${origin}/`);
  await page.waitForSelector("body[data-ready]");
  const selects = { speed: "#Combo1", tempo: "#Combo2", tolerance: "#Combo3", driver: "#driver", state: "#songStates", subsong: "#subsong",
    form: "#convertForm" };
  // Each node as `map` tells, a line each; the page runs the map's own source.
  const all = (selector, map) => page.$$eval(selector, (nodes, source) => nodes.map(eval(source)).join("\n"), String(map));
  const looks = {
    controls: () => all("#Form1 select, #Command1", (n) => `${n.id} ${n.value} ${n.options?.length ?? ""}${n.disabled ? "disabled" : ""}`),
    lines: () => all("#List1 [role=option]", (n) => n.textContent),
    results: async () => `${await page.locator("#List1 [role=option]").count()} lines, readout ${await page.textContent("#Label2")}`,
    readout: () => page.textContent("#Label2"),
    tooltip: () => page.getAttribute("#Label2", "title"),
    clipboard: () => page.evaluate(() => navigator.clipboard.readText()),
    title: () => page.title(),
    driver: () => all("#driver option:checked", (n) => `${n.textContent} | ${n.title}`),
    choice: async () => `speed ${await page.inputValue("#Combo1")}, tempo ${await page.inputValue("#Combo2")}`,
    subsong: async () => (await page.isHidden("#subsongLabel") ? "(hidden)" :
      await all("#subsong option", (n) => n.textContent + (n.selected ? "*" : ""))),
    states: async () => (await page.isHidden("#songStatesLabel") ? "(hidden) " : "") +
      (await all("#songStates option", (n) => n.textContent + (n.disabled ? " (off)" : ""))),
    // Each bar by the legend's words for its colour, its width and its tooltip.
    timeline: () => all("#timeline div", (n) => {
      const swatch = [...document.querySelectorAll("#legend span")].find((s) => getComputedStyle(s).backgroundColor === getComputedStyle(n).backgroundColor);
      return `${swatch?.nextSibling.textContent.trim() ?? "no legend colour"} ${Number.parseFloat(n.style.width).toFixed(4)}%: ${n.title}`;
    }),
    plan: () => page.textContent("#planText"),
    port: async () => `${await page.textContent("#portSmps")}${await page.isDisabled("#copyPlanSource") ? ", Copy as SMPS2ASM off" : ""}`,
    menu: () => all("#contextMenu:not([hidden]) [role=menuitem]", (n) => n.textContent),
    focus: () => page.evaluate(() => document.activeElement.id || document.activeElement.textContent),
    // Whether a line is chosen, and how far the list has scrolled.
    paging: () => page.evaluate(() => `${document.querySelector("#List1 [aria-selected=true]") !== null} ${document.querySelector("#List1").scrollTop}`),
    buttons: () => all("#plan .buttons button:not([hidden]), #plan .buttons label:not([hidden])", (n) => n.firstChild.textContent.trim()),
    forms: () => all("#convertForm option", (n) => `${n.textContent}${n.disabled ? ` (off: ${n.title})` : ""}${n.selected ? "*" : ""}`),
  };
  const buttons = { port: "#portSmps", go: "#Command2", "copy plan": "#copyPlan", "copy source": "#copyPlanSource" };
  for (const step of steps) {
    const [verb, ...words] = step.split(" ");
    const arg = words.join(" ");
    if (verb === "other") page.once("dialog", (dialog) => dialog.accept(arg));  // "Other…" answered with MODEL@RATE
    if (verb in selects || verb === "other") await page.selectOption(selects[verb] ?? "#driver", verb === "other" ? "other" : arg);
    if (verb === "save" || verb === "convert") {  // a download's name and its first lines ("convert 3")
      const [download] = await Promise.all([page.waitForEvent("download"), page.click(verb === "save" ? "#savePorted" : "#saveConverted")]);
      const text = await readFile(await download.path(), "utf8");
      seen.push(`${download.suggestedFilename()}: ${arg ? text.split("\n").slice(0, Number(arg)).join("\n") : text}`);
    }
    if (verb === "subsong") await page.waitForFunction((n) => document.title.includes(`sub-song ${n}`), arg);
    if (step in buttons) await page.click(buttons[step]);
    if (verb === "look") seen.push((await looks[words[0]]()).split("\n").slice(0, Number(words[1]) || undefined).join("\n"));
    if (verb === "pal" || verb === "ntsc") await page.check(verb === "pal" ? "#Option1_1" : "#Option1_0");
    if (verb === "click" || verb === "right") await page.click(`#List1 >> text=${arg}`, { button: verb === "right" ? "right" : "left" });
    if (verb === "item") await page.getByRole("menuitem", { name: arg, exact: true }).click();
    if (verb === "focus") await page.focus(`#${arg}`);
    if (verb === "key") await page.keyboard.press(arg);
    if (verb === "answer") {
      seen.push(await page.locator("#message[open]").evaluate((m) => `${m.querySelector("h2").textContent}: ${m.querySelector("p").innerText}`));
      await page.click(`#message button >> text=${arg}`);
      await page.evaluate(() => new Promise((done) => setTimeout(done)));  // after the close event's task
    }
    if (verb === "open") {
      await page.setInputFiles("#songFile", files[arg] ? { name: arg, mimeType: "text/plain", buffer: Buffer.from(files[arg]) } : corpus + arg);
      await page.waitForFunction((name) => document.title.startsWith(name) || document.querySelector("#message[open]"), arg);
    }
    if (verb === "reload" || verb === "offline") {
      await page.evaluate(() => navigator.serviceWorker.ready);
      await page.reload();  // the worker now controls the page and has kept every file
      await page.context().setOffline(verb === "offline");
      if (verb === "offline") await page.reload();
      await page.waitForSelector("body[data-ready]");
    }
  }
  await context.close();
  return seen;
}

const typical = "0724 perfect match\n0606 perfect match\n0503 4.000003% slower";
const question = "I have a question for you: This operation may require a very long time.\nProceed anyway?";
const cleared = "0 lines, readout ";

test("start state, search, messages and clearing, as the window; offline after the first visit", async () => {
  assert.deepEqual(await run(["look controls", "speed 1", "tempo 32", "tolerance 0", "go", "answer OK",
    "speed 6", "tempo 125", "tolerance 5", "go", "look lines", "tolerance 100", "go", "answer No", "look lines",
    "tolerance 10000", "go", "answer Yes", "look results", "focus List1", "key PageDown", "look paging", "tolerance 5", "go", "click 0503", "tolerance 6", "look results",
    "speed 7", "look results", "speed 6", "go", "click 0503", "tempo 126", "look results", "tempo 125", "go", "click 0503",
    "pal", "look results", "go", "look lines", "click 0600", "look readout", "ntsc", "look results", "go", "look lines",
    "click 0503", "driver sonic2", "look results", "offline", "speed 6", "tempo 125", "driver sonic1", "go", "look lines"]), [
    "driver sonic1 13\nsubsong  0\nsongStates  0\nCombo1 1 31\nCombo2 32 224\nCombo3 5 126\nCommand1  disabled",
    "Uh-oh!: No results found with these criteria.\nTry to increase the tolerance to get more results.",
    // PageDown chooses a line still in view: a page is the rows shown less one.
    typical, question, typical, question, "258 lines, readout ", "true 0", "3 lines, readout 120", cleared, cleared, cleared,
    // The companion's --pal lines; 150 x 255/256 / 6 at 50 updates a second: x 5/6 at speed 6.
    "0506 perfect match\n0403 perfect match\n0302 perfect match\n0600 .390625% slower", "124.51171875", cleared, typical,
    cleared, typical]);
});

test("the keyboard and the context menus choose and copy", async () => {
  assert.deepEqual(await run(["speed 6", "tempo 125", "go", "focus List1", "key ArrowDown", "look readout", "key End",
    "look readout", "look tooltip", "key Home", "key ArrowDown", "key Control+c", "look clipboard", "right 0724", "look menu",
    "key ArrowUp", "look focus", "item Copy as SMPS2ASM", "look clipboard", "focus List1", "key End", "key ContextMenu", "key Enter",
    "look clipboard", "focus List1", "key Shift+ArrowUp", "look menu", "focus Label2", "key Shift+F10", "key Escape", "look menu",
    "look focus", "key Shift+F10", "key Enter", "look clipboard"]), [
    // Shift alone opens no menu: Shift+ArrowUp moves to 0606, whose readout is copied last.
    "125", "120", "120: the XM tempo at speed 6 of divider 5 and period 3", "0606 perfect match", "Copy\nCopy as SMPS2ASM",
    "Copy as SMPS2ASM", "smpsHeaderTempo $07, $24", "0503 4.000003% slower", "", "", "Label2", "125"]);
});

// Songs made with the tests' tracker writer: seed8.fur's first sub-song at 60 Hz, a groove of 4 and 2
// ticks (a unit a row of 2), 50 Hz, and a virtual tempo of 100/150 the lists cannot hold; its
// second at 70 Hz, XM tempo 175. seed10.dmf: speeds 6 and 3 at 50 Hz, the window's song.
// Rows that take turns have no one speed for the lists; the selectors keep theirs.
test("Furnace sub-songs and a DefleMask song", async () => {
  const forms = "Recommended: one pair, no tempo command";
  const others = "tempo commands, one unit a row\neach stretch its own divider and byte, one unit a row\nthe fewest commands, rows of whole units";
  assert.deepEqual(await run(["open seed8.fur", "look title", "look subsong", "look states", "look timeline", "subsong 2", "look title",
    "look subsong", "look choice", "open seed10.dmf", "answer OK", "look title", "look subsong", "look states", "look choice",
    "look plan 4", "look buttons", "open seed11.dmf", "answer OK", "look buttons", "convert 3", "answer OK", "look forms",
    "form eachStretch", "convert 2", "answer OK", "tolerance 0", "look forms", "form fewestCommands", "other carry-delay@7/3", "pal",
    "look forms", "open seed3.xm", "look states"]), [
    "seed8.fur, sub-song 1 \u2014 Beatwright", "1*\n2",
    "speed 6, 60 Hz, 150 BPM \u2014 order 0, row 0\nspeeds 4 2, 60 Hz, 300 BPM \u2014 order 0, row 4 (not in the lists) (off)\n" +
      "speeds 4 2, 50 Hz, 250 BPM \u2014 order 1, row 2 (not in the lists) (off)\n" +
      "speeds 4 2, 50 Hz x 100/150, 166.67 BPM \u2014 order 1, row 5 (not in the lists) (off)",
    // Rows in turn as wide as their ticks: 24 at 60 Hz, 18 at 60, 10 at 50 and 8 x 150/100 at 50, of 1.14 s; every one exact.
    "within half the tolerance 35.0877%: speed 6, 60 Hz, 150 BPM: 4 rows, 0.000%\nwithin half the tolerance 26.3158%: speeds 4 2, " +
      "60 Hz, 300 BPM: 6 rows, 0.000%\nwithin half the tolerance 17.5439%: speeds 4 2, 50 Hz, 250 BPM: 3 rows, 0.000%\nwithin half " +
      "the tolerance 21.0526%: speeds 4 2, 50 Hz x 100/150, 166.67 BPM: 3 rows, 0.000%",
    "seed8.fur, sub-song 2 \u2014 Beatwright", "1\n2*", "speed 6, tempo 175",
    "Open song: The song starts at speeds 6 3, 50 Hz, 166.67 BPM, which the lists do not hold.\n" +
      "beatwright-cli --song answers for every state of the song.",
    "seed10.dmf \u2014 Beatwright", "(hidden)", "(hidden) speeds 6 3, 50 Hz, 166.67 BPM \u2014 order 0, row 0 (not in the lists) (off)",
    "speed 6, tempo 175",
    // Rows of 6 and 3 ticks at 50 Hz, 0.12 and 0.06 s, at 60 x 5/6 / 3 units a second: 2 and 1 units.
    "Tempo plan on sonic1 (timeout model), NTSC, tolerance 5%\nRecommended: one pair, no tempo command\n  header: smpsHeaderTempo $03, $06\n" +
      "  speeds 6 3, 50 Hz, 166.67 BPM: rows of 2, 1 units in turn, perfect match; at order 0 row 0",
    // A song converts: its conversion's buttons beside the plan's.
    "Copy\nCopy as SMPS2ASM\nDAC map\u2026\nForm\nSave as SMPS song\u2026",
    // seed11.dmf is seed10.dmf with a C-4 on FM 1: its one note converted, in the pair that plays it exactly.
    "Open song: The song starts at speeds 6 3, 50 Hz, 166.67 BPM, which the lists do not hold.\n" +
      "beatwright-cli --song answers for every state of the song.",
    "Copy\nCopy as SMPS2ASM\nDAC map\u2026\nForm\nSave as SMPS song\u2026",
    "seed11-sonic1.asm: ; Converted by Beatwright for sonic1 (timeout model)\n; 1 track, 1 voice, 1 note, no tempo command (one pair, " +
      "no tempo command); worst perfect match, drift 0.000000 s\nseed11_Header:",
    "Convert to SMPS song: seed11-sonic1.asm: 1 track, 1 voice, 1 note, no tempo command (one pair, no tempo command); worst " +
      "perfect match, drift 0.000000 s",
    // Any offered form converts: rows of 3 ticks at 50 Hz are 3.6 updates, divider 3 at period 6 (3 x 6/5) for each
    // stretch too, with no command.
    `${forms}*\n${others}`,
    "seed11-sonic1.asm: ; Converted by Beatwright for sonic1 (timeout model)\n; 1 track, 1 voice, 1 note, no tempo command (each " +
      "stretch its own divider and byte, one unit a row); worst perfect match, drift 0.000000 s",
    "Convert to SMPS song: seed11-sonic1.asm: 1 track, 1 voice, 1 note, no tempo command (each stretch its own divider and byte, " +
      "one unit a row); worst perfect match, drift 0.000000 s",
    // The choice kept while it is offered; at 7/3 updates a second no plan is exact, and the
    // fewest commands, chosen, give way to the recommended.
    `${forms}\ntempo commands, one unit a row\neach stretch its own divider and byte, one unit a row*\nthe fewest commands, rows of whole units`,
    `${forms}*\ntempo commands, one unit a row\neach stretch its own divider and byte, one unit a row\nthe fewest commands, rows of ` +
      "whole units (off: Not offered: no plan keeps every stretch within the tolerance)",
    // Two states are enough for the selector to show.
    "speed 6, tempo 125 \u2014 order 0, row 0\nspeed 4, tempo 125 \u2014 order 1, row 10"]);
});

// seed1.xm: 16 rows at speed 6 then 16 at 3, at tempo 125, then 32 at 3 and 140. Two commands
// are the fewest within 1 % (no one pair is), fewer than tempo commands' three: on sonic2 (60
// updates on PAL too) divider 1, rows of 6, 3 and 3 units at tempos 213, 213 and 239, 60 x 213
// / 256 / 6 and 60 x 239 / 256 / 3 rows a second, 0.15625 % slow and 0.0279018 % fast; on
// sonic3k seed7.it's at divider 2, 3, 32 and 3 units at 256 - 43 and 256 - 26: 0.15625 % and
// 0.1736111 % slow.
test("a driver remembered; a song, its plan; an SMPS song ported", async () => {
  assert.deepEqual(await run(["driver sonic2", "reload", "look title", "look driver", "pal", "tolerance 1", "speed 6",
    "tempo 125", "go", "click 05B2", "look lines 2", "look tooltip", "driver sonic1", "go", "look lines 1", "driver sonic2", "go",
    "open seed1.xm", "look title", "look states", "look buttons", "state 2", "look choice", "look results", "look timeline", "tolerance 0",
    "look timeline", "tolerance 1", "driver sonic3k", "look plan 2", "copy source", "look clipboard 4", "ntsc", "look plan 1",
    "copy plan", "look clipboard 1", "open seed7.it", "look states", "look timeline", "open broken.xm", "answer OK", "open song.asm",
    "look port", "look states", "port", "look plan", "copy source", "look clipboard 2", "speed 4", "look plan 3", "driver sonic2",
    "look port", "driver sonic1-s3k-tempo", "port", "save", "other carry-delay@301", "answer OK", "other carry-delay@175/3", "look title", "look driver", "reload",
    "look driver"]), [
    "sonic2 \u2014 Beatwright", "sonic2: Sonic the Hedgehog 2 | carry-advance model (divider, tempo), 60 updates a second on PAL",
    // The companion's lines for --driver sonic2 --pal, from a separate rounds search.
    "07F9 .04464111% faster\n05B2 .1249969% faster", "125.15625: the XM tempo at speed 6 of divider 5 and tempo 178",
    // The rate tables are kept per model: sonic1's own list after sonic2's, then sonic2's again.
    "0506 perfect match", "seed1.xm \u2014 sonic2 \u2014 Beatwright",
    "speed 6, tempo 125 \u2014 order 0, row 0\nspeed 3, tempo 125 \u2014 order 0, row 16\nspeed 3, tempo 140 \u2014 order 0, row 32",
    // A module does not convert.
    "Copy\nCopy as SMPS2ASM",
    "speed 3, tempo 140", cleared,
    // Each bar as wide as its stretch's time: 16 x 6 / 125, 16 x 3 / 125 and 32 x 3 / 140 of their sum.
    "within half the tolerance 41.7910%: speed 6, tempo 125: 16 rows, -0.156%\nwithin half the tolerance 20.8955%: speed 3, " +
      "tempo 125: 16 rows, -0.156%\nwithin half the tolerance 37.3134%: speed 3, tempo 140: 32 rows, 0.028%",
    // Within 0 no plan is: each stretch its closest, 125 at speed 6 as 60 x 249 / 256 / 7 rows a second, 0.0446 % fast.
    "beyond it 41.7910%: speed 6, tempo 125: 16 rows, 0.045%\nbeyond it 20.8955%: speed 3, tempo 125: 16 rows, -0.156%\n" +
      "beyond it 37.3134%: speed 3, tempo 140: 32 rows, 0.028%",
    "Tempo plan on sonic3k (carry-delay model), PAL, tolerance 1%\nRecommended: the fewest commands, rows of whole units",
    "; Tempo for sonic3k (carry-delay model), PAL: the fewest commands, rows of whole units\n; the bytes assume smpsHeaderStartSong 3\n" +
      "; smpsSetTempoMod assembles to $FF,$00,tt and smpsSetTempoDiv to $FF,$04,dd on sonic3k\n" +
      "; each command goes into one track only, the first that plays at its place",
    "Tempo plan on sonic3k (carry-delay model), NTSC, tolerance 1%", "Tempo plan on sonic3k (carry-delay model), NTSC, tolerance 1%",
    "speed 6, tempo 125 \u2014 order 0, row 0, the tempo slides\nspeed 64, tempo 125 \u2014 order 0, row 8 (not in the lists) (off)\n" +
      "speed 6, tempo 135 \u2014 order 0, row 17",
    "within half the tolerance 11.5016%: speed 6, tempo 125: 8 rows, -0.156%\nwithin half the tolerance 61.3419%: speed 64, " +
      "tempo 125: 4 rows, -0.156%\nwithin half the tolerance 7.1885%: speed 6, tempo 125: 5 rows, -0.156%\nwithin half the " +
      "tolerance 19.9681%: speed 6, tempo 135: 15 rows, -0.174%",
    "Open song: Cannot read broken.xm:\nnot a song: no module (XM, MOD, S3M, IT...), Furnace, DefleMask or SMPS song.",
    "Port to sonic3k, Copy as SMPS2ASM off", "(hidden) " + "speed 6, tempo 125 \u2014 order 0, row 0, the tempo slides\n" +
      "speed 64, tempo 125 \u2014 order 0, row 8 (not in the lists) (off)\nspeed 6, tempo 135 \u2014 order 0, row 17",
    // 60 x 2/3 = 40 units a second, XM tempo 40 x 2.5 x 6 at speed 6 (seed7.it's first); on sonic3k 60 x (256 - 85)
    // / 256, where SMPS2ASM's 513 / 3 = 171 for sonic2, then $100 - 171, agrees: the line stays.
    "song.asm: SMPS2ASM source, smpsHeaderStartSong 1 (timeout model)\nplayed on sonic1, NTSC; XM tempos at speed 6\n" +
      "line 3 (Song_Header) smpsHeaderTempo 0103: 40 units a second, XM tempo 600, beyond XM's 32 to 255; speed 2 tempo 200 " +
      "plays at this pace\n" +
      "  on sonic3k: 0155, .1953125% faster; SMPS2ASM gives $55, .1953125% faster\n" +
      "    SMPS2ASM's conversion already gives this byte; leave the line\n",
    "; song.asm on sonic3k (carry-delay model, NTSC): the tempo lines, ported\n; keep smpsHeaderStartSong 1: the bytes stand " +
      "raw where its SMPS2ASM would not give them",
    "song.asm: SMPS2ASM source, smpsHeaderStartSong 1 (timeout model)\nplayed on sonic1, NTSC; XM tempos at speed 4\n" +
      "line 3 (Song_Header) smpsHeaderTempo 0103: 40 units a second, XM tempo 400, beyond XM's 32 to 255; speed 2 tempo 200 " +
      "plays at this pace",
    "Port to sonic2, Copy as SMPS2ASM off",
    // Sonic 1 with the S3K tempo code reads the unconverted 3 as 253/256: the header is written raw.
    "song-sonic1-s3k-tempo.asm: Song_Header:\n\tsmpsHeaderStartSong 1\n\tdc.b\t$01,$55\t; ported to sonic1-s3k-tempo " +
      "from smpsHeaderTempo $01, $03: 40 units a second, .1953125% faster\n",
    // 300 updates a second at most: 301 refused, 175/3 taken.
    "Other driver: A driver by its parts is timeout, carry-advance or carry-delay, @, and its PAL updates a second from 1 to 300, " +
      "whole or a fraction such as 175/3.",
    "song.asm \u2014 carry-delay@175/3 \u2014 Beatwright",
    "carry-delay@175/3: the carry-delay model at 58 1/3 updates a second on PAL | carry-delay model (divider, tempo), 58 1/3 " +
      "updates a second on PAL",
    "carry-delay@175/3: the carry-delay model at 58 1/3 updates a second on PAL | carry-delay model (divider, tempo), 58 1/3 " +
      "updates a second on PAL"]);
});

// seed7.it on sonic1 within 5 %: one pair, its stretches 2.857 % fast (more than half the
// tolerance), 0.260 % slow and 4.762 % slow, as the companion's plan says; within 0, the
// fewest commands play every stretch exactly, none more than half of nothing off.
test("the timeline's colours are the legend's", async () => {
  assert.deepEqual(await run(["open seed7.it", "look timeline", "tolerance 0", "look timeline"]), [
    "within it 11.5016%: speed 6, tempo 125: 8 rows, 2.857%\nwithin half the tolerance 61.3419%: speed 64, tempo 125: 4 rows, " +
      "-0.260%\nwithin it 7.1885%: speed 6, tempo 125: 5 rows, 2.857%\nwithin it 19.9681%: speed 6, tempo 135: 15 rows, -4.762%",
    "within half the tolerance 11.5016%: speed 6, tempo 125: 8 rows, 0.000%\nwithin half the tolerance 61.3419%: speed 64, tempo " +
      "125: 4 rows, 0.000%\nwithin half the tolerance 7.1885%: speed 6, tempo 125: 5 rows, 0.000%\nwithin half the tolerance " +
      "19.9681%: speed 6, tempo 135: 15 rows, 0.000%"]);
});
