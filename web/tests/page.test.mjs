import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { launch, serve } from "./browser.mjs";

const songs = new URL("../../fuzz/corpus/song_fuzz/", import.meta.url).pathname;
let server, origin, browser;

before(async () => {
  ({ server, origin } = await serve());
  browser = await launch();
});
after(async () => {
  await browser?.close();
  server?.close();
});

// A fresh page; every request it makes is recorded.
async function open() {
  const context = await browser.newContext();
  const page = await context.newPage();
  const requests = [];
  page.on("request", (request) => requests.push(request.url()));
  await page.goto(`${origin}/`);
  await page.waitForSelector("body[data-ready]");
  return { page, context, requests };
}

const lines = (page) => page.locator("#List1 [role=option]").allTextContents();
const readout = (page) => page.locator("#Label2").textContent();

async function search(page, speed, tempo, tolerance) {
  await page.selectOption("#Combo1", speed);
  await page.selectOption("#Combo2", tempo);
  if (tolerance) await page.selectOption("#Combo3", tolerance);
  await page.click("#Command2");
}

// The open message: caption, text and buttons.
async function shownMessage(page) {
  await page.waitForSelector("#message[open]");
  return {
    caption: await page.textContent("#messageCaption"),
    text: await page.locator("#messageText").innerText(),
    buttons: await page.locator("#message button").allTextContents(),
  };
}

const typical = ["0724 perfect match", "0606 perfect match", "0503 4.000003% slower"];
const question = { caption: "I have a question for you", text: "This operation may require a very long time.\nProceed anyway?", buttons: ["Yes", "No"] };

test("typical use, from the start state", async () => {
  const { page, context, requests } = await open();
  assert.deepEqual(await page.$$eval("select", (s) => s.map((box) => [box.id, box.value, box.options.length])),
    [["driver", "sonic1", 7], ["songStates", "", 0], ["Combo1", "1", 31], ["Combo2", "32", 224], ["Combo3", "5", 126]]);
  assert.equal(await page.isChecked("#Option1_0"), true);
  assert.equal(await page.isDisabled("#Command1"), true);
  await search(page, "6", "125");
  assert.equal(await page.isVisible("#message"), false);
  assert.deepEqual(await lines(page), typical);
  await page.click("#List1 >> text=0724");
  assert.equal(await readout(page), "125");
  assert.ok(requests.every((url) => url.startsWith(origin)), requests.join(" "));
  await context.close();
});

test("the widest search asks first; No keeps the lines", async (t) => {
  const { page, context } = await open();
  await search(page, "6", "125");
  await page.selectOption("#Combo3", "100");
  await page.click("#Command2");
  assert.deepEqual(await shownMessage(page), question);
  await page.click("#message button >> text=No");
  assert.deepEqual(await lines(page), typical);
  await page.selectOption("#Combo3", "10000");
  await page.click("#Command2");
  assert.deepEqual(await shownMessage(page), question);
  await page.click("#message button >> text=Yes");
  // The dialog's close, and so the search, comes in a task after the click.
  await page.waitForFunction(() => document.querySelectorAll("#List1 [role=option]").length > 3);
  const all = await lines(page);
  assert.equal(all.length, 258);
  assert.deepEqual(all.slice(0, 3), typical);
  assert.deepEqual(all.slice(-2), ["0000 97.19849% slower", "0102 260% faster"]);
  // How long the worst case takes here: the search alone, and Go to the drawn list.
  const timing = await page.evaluate(async () => {
    const started = performance.now();
    const core = await globalThis.createBeatwright();
    const loaded = performance.now();
    for (let i = 0; i < 20; i++) core.search("sonic1", false, "6", "125", "10000");
    const searched = performance.now();
    document.getElementById("Combo3").value = "90";
    const go = performance.now();
    document.getElementById("Command2").click();
    void document.getElementById("List1").offsetHeight;  // style and layout of the 258 lines
    const laidOut = performance.now();
    await new Promise((resolve) => requestAnimationFrame(() => resolve()));
    return { load: loaded - started, search: (searched - loaded) / 20, go: laidOut - go, frame: performance.now() - go };
  });
  t.diagnostic(`module load ${timing.load.toFixed(1)} ms; worst-case search ${timing.search.toFixed(2)} ms; ` +
    `Go to the laid-out list ${timing.go.toFixed(2)} ms; to the next frame ${timing.frame.toFixed(2)} ms`);
  await context.close();
});

test("nothing within the tolerance is told", async () => {
  const { page, context } = await open();
  await search(page, "1", "32", "0");
  assert.deepEqual(await shownMessage(page), {
    caption: "Uh-oh!",
    text: "No results found with these criteria.\nTry to increase the tolerance to get more results.",
    buttons: ["OK"],
  });
  await page.click("#message button >> text=OK");
  assert.deepEqual(await lines(page), []);
  await context.close();
});

test("speed, tempo and standard empty the results; the tolerance does not", async () => {
  const { page, context } = await open();
  for (const [change, clears] of [[() => page.selectOption("#Combo3", "6"), false], [() => page.selectOption("#Combo1", "7"), true],
    [() => page.selectOption("#Combo2", "126"), true], [() => page.check("#Option1_1"), true], [() => page.selectOption("#driver", "sonic2"), true]]) {
    await page.check("#Option1_0");
    await page.selectOption("#driver", "sonic1");
    await search(page, "6", "125", "5");
    await page.click("#List1 >> text=0606");
    await change();
    assert.deepEqual(await lines(page), clears ? [] : typical);
    assert.equal(await readout(page), clears ? "" : "125");
  }
  await context.close();
});

test("the keyboard chooses and copies lines", async () => {
  const { page, context } = await open();
  await search(page, "6", "125");
  await page.focus("#List1");
  const readouts = [];
  for (const key of ["ArrowDown", "ArrowDown", "End", "Home"]) {
    await page.keyboard.press(key);
    readouts.push(await readout(page));
  }
  assert.deepEqual(readouts, ["125", "125", "120", "125"]);
  await page.keyboard.press("ArrowDown");
  await page.evaluate(() => document.addEventListener("copy", (e) => { window.copied = e.clipboardData.getData("text/plain"); }));
  await page.keyboard.press("Control+c");
  assert.equal(await page.evaluate(() => window.copied), "0606 perfect match");
  await context.close();
});

test("a driver and a song file, read in the page", async () => {
  const { page, context } = await open();
  await page.selectOption("#driver", "sonic2");
  await page.check("#Option1_1");
  await search(page, "6", "125", "1");
  // The companion's lines for --driver sonic2 --pal, from a separate rounds search.
  assert.deepEqual((await lines(page)).slice(0, 2), ["07F9 .04464111% faster", "05B2 .1249969% faster"]);
  await page.setInputFiles("#songFile", `${songs}/seed1.xm`);
  await page.waitForFunction(() => document.title.startsWith("seed1.xm"));
  assert.equal(await page.title(), "seed1.xm \u2014 sonic2 \u2014 Beatwright");
  assert.deepEqual(await page.locator("#songStates option").allTextContents(), [
    "speed 6, tempo 125 \u2014 order 0, row 0", "speed 3, tempo 125 \u2014 order 0, row 16", "speed 3, tempo 140 \u2014 order 0, row 32"]);
  await page.selectOption("#songStates", "2");
  assert.deepEqual([await page.inputValue("#Combo1"), await page.inputValue("#Combo2")], ["3", "140"]);
  await page.setInputFiles("#songFile", { name: "broken.xm", mimeType: "audio/x-xm", buffer: Buffer.from("Extended") });
  assert.deepEqual(await shownMessage(page), {
    caption: "Open song", text: "Cannot read broken.xm:\nnot a module file (XM, MOD, S3M, IT or another tracker format).", buttons: ["OK"],
  });
  await context.close();
});

test("offline after the first visit", async () => {
  const { page, context } = await open();
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();  // the worker now controls the page and has kept every file
  await page.waitForSelector("body[data-ready]");
  await context.setOffline(true);
  await page.reload();
  await page.waitForSelector("body[data-ready]");
  await search(page, "6", "125");
  assert.deepEqual(await lines(page), typical);
  await context.close();
});

test("context menus copy a line, its source and the readout; the driver is remembered", async () => {
  const { page, context } = await open();
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  const clipboard = () => page.evaluate(() => navigator.clipboard.readText());
  const menu = () => page.locator("#contextMenu [role=menuitem]").allTextContents();
  await search(page, "6", "125");
  await page.click("#List1 >> text=0606", { button: "right" });
  assert.deepEqual(await menu(), ["Copy", "Copy as SMPS2ASM"]);
  await page.click("#contextMenu >> text=Copy as SMPS2ASM");
  assert.equal(await clipboard(), "smpsHeaderTempo $06, $06");
  assert.equal(await page.isVisible("#contextMenu"), false);
  // The keyboard: the context-menu key on the chosen line, Shift+F10 on the readout.
  await page.focus("#List1");
  await page.keyboard.press("End");
  await page.keyboard.press("ContextMenu");
  await page.keyboard.press("Enter");
  assert.equal(await clipboard(), "0503 4.000003% slower");
  await page.focus("#Label2");
  await page.keyboard.press("Shift+F10");
  assert.deepEqual(await menu(), ["Copy"]);
  await page.keyboard.press("Escape");
  assert.equal(await page.isVisible("#contextMenu"), false);
  assert.equal(await page.evaluate(() => document.activeElement.id), "Label2");
  await page.keyboard.press("Shift+F10");
  await page.keyboard.press("Enter");
  assert.equal(await clipboard(), "120");
  await page.selectOption("#driver", "sonic3");
  await page.reload();
  await page.waitForSelector("body[data-ready]");
  assert.equal(await page.inputValue("#driver"), "sonic3");
  assert.equal(await page.title(), "sonic3 \u2014 Beatwright");
  await context.close();
});

test("a song's tempo plan beside the form, following the driver", async () => {
  const { page, context } = await open();
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  // seed1.xm: speed 6 then 3 at tempo 125, then 3 at 140; 16, 16 and 32 rows.
  await page.setInputFiles("#songFile", `${songs}/seed1.xm`);
  await page.waitForSelector("#plan:not([hidden])");
  assert.deepEqual(await page.locator("#timeline div").allTextContents(), ["6/125", "3/125", "3/140"]);
  const text = await page.textContent("#planText");
  assert.match(text, /^Tempo plan on sonic1 \(timeout model\), NTSC, tolerance 5%\nRecommended: one pair/);
  await page.selectOption("#driver", "sonic3k");
  assert.match(await page.textContent("#planText"), /^Tempo plan on sonic3k \(carry-delay model\)/);
  await page.click("#copyPlanSource");
  assert.match(await page.evaluate(() => navigator.clipboard.readText()), /; the bytes assume smpsHeaderStartSong 3\n/);
  await context.close();
});

test("an SMPS song's report, ported to the chosen driver", async () => {
  const { page, context } = await open();
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  await page.selectOption("#driver", "sonic2");
  const source = "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n";
  await page.setInputFiles("#songFile", { name: "song.asm", mimeType: "text/plain", buffer: Buffer.from(source) });
  await page.waitForSelector("#plan:not([hidden])");
  assert.equal(await page.textContent("#planCaption"), "SMPS song \u2014 song.asm");
  assert.equal(await page.isDisabled("#copyPlanSource"), true);
  await page.click("#portSmps");
  // 60 x 2/3 = 40 units a second; 60 x 171/256 on sonic2, as SMPS2ASM's 513 / 3 gives.
  assert.match(await page.textContent("#planText"), /line 3 \(Song_Header\) smpsHeaderTempo 0103: 40 units a second, XM tempo 100\n  on sonic2: 01AB, \.1953125% faster; SMPS2ASM gives \$AB/);
  await page.click("#copyPlanSource");
  assert.match(await page.evaluate(() => navigator.clipboard.readText()), /\tsmpsHeaderStartSong 2\n\tsmpsHeaderTempo \$01, \$AB/);
  await context.close();
});
