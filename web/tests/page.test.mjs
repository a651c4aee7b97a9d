// The page in Debian's Chromium, a flow per feature: its own wiring and texts, not the
// core's arithmetic again (core.test.mjs compares that with the companion).
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

// A fresh page that may use the clipboard; every request it makes is recorded.
async function open() {
  const context = await browser.newContext();
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  const page = await context.newPage();
  const requests = [];
  page.on("request", (request) => requests.push(request.url()));
  await page.goto(`${origin}/`);
  await page.waitForSelector("body[data-ready]");
  const lines = () => page.locator("#List1 [role=option]").allTextContents();
  const readout = () => page.locator("#Label2").textContent();
  const clipboard = () => page.evaluate(() => navigator.clipboard.readText());
  const search = async (speed, tempo, tolerance) => {
    await page.selectOption("#Combo1", speed);
    await page.selectOption("#Combo2", tempo);
    if (tolerance) await page.selectOption("#Combo3", tolerance);
    await page.click("#Command2");
  };
  // Waits for the message, answers it, and says what it was.
  const answer = async (button) => {
    await page.waitForSelector("#message[open]");
    const shown = `${await page.textContent("#messageCaption")}: ${await page.locator("#messageText").innerText()}`;
    await page.click(`#message button >> text=${button}`);
    return shown;
  };
  return { page, context, requests, lines, readout, clipboard, search, answer };
}

const typical = ["0724 perfect match", "0606 perfect match", "0503 4.000003% slower"];
const question = "I have a question for you: This operation may require a very long time.\nProceed anyway?";

test("start state, search, messages and clearing, as the window", async () => {
  const { page, context, requests, lines, readout, search, answer } = await open();
  assert.deepEqual(await page.$$eval("select", (s) => s.map((box) => [box.id, box.value, box.options.length])),
    [["driver", "sonic1", 7], ["songStates", "", 0], ["Combo1", "1", 31], ["Combo2", "32", 224], ["Combo3", "5", 126]]);
  assert.equal(await page.isDisabled("#Command1"), true);
  await search("1", "32", "0");
  assert.equal(await answer("OK"), "Uh-oh!: No results found with these criteria.\nTry to increase the tolerance to get more results.");
  await search("6", "125", "5");
  assert.deepEqual(await lines(), typical);
  await page.selectOption("#Combo3", "100");
  await page.click("#Command2");
  assert.equal(await answer("No"), question);
  assert.deepEqual(await lines(), typical);
  await page.selectOption("#Combo3", "10000");
  await page.click("#Command2");
  assert.equal(await answer("Yes"), question);
  await page.waitForFunction(() => document.querySelectorAll("#List1 [role=option]").length === 258);
  for (const [change, clears] of [[() => page.selectOption("#Combo3", "6"), false], [() => page.selectOption("#Combo1", "7"), true],
    [() => page.selectOption("#Combo2", "126"), true], [() => page.check("#Option1_1"), true], [() => page.selectOption("#driver", "sonic2"), true]]) {
    await page.check("#Option1_0");
    await page.selectOption("#driver", "sonic1");
    await search("6", "125", "5");
    await page.click("#List1 >> text=0503");
    await change();
    assert.deepEqual([await lines(), await readout()], clears ? [[], ""] : [typical, "120"]);
  }
  assert.ok(requests.every((url) => url.startsWith(origin)), requests.join(" "));
  await context.close();
});

test("the keyboard and the context menus choose and copy", async () => {
  const { page, context, readout, clipboard, search } = await open();
  await search("6", "125");
  await page.focus("#List1");
  const readouts = [];
  for (const key of ["ArrowDown", "ArrowDown", "End", "Home"]) {
    await page.keyboard.press(key);
    readouts.push(await readout());
  }
  assert.deepEqual(readouts, ["125", "125", "120", "125"]);
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("Control+c");
  assert.equal(await clipboard(), "0606 perfect match");
  await page.click("#List1 >> text=0724", { button: "right" });
  assert.deepEqual(await page.locator("#contextMenu [role=menuitem]").allTextContents(), ["Copy", "Copy as SMPS2ASM"]);
  await page.click("#contextMenu >> text=Copy as SMPS2ASM");
  assert.equal(await clipboard(), "smpsHeaderTempo $07, $24");
  await page.focus("#List1");
  await page.keyboard.press("End");
  await page.keyboard.press("ContextMenu");
  await page.keyboard.press("Enter");
  assert.equal(await clipboard(), "0503 4.000003% slower");
  await page.focus("#Label2");
  await page.keyboard.press("Shift+F10");
  await page.keyboard.press("Escape");
  assert.equal(await page.isVisible("#contextMenu"), false);
  assert.equal(await page.evaluate(() => document.activeElement.id), "Label2");
  await page.keyboard.press("Shift+F10");
  await page.keyboard.press("Enter");
  assert.equal(await clipboard(), "120");
  await context.close();
});

test("a driver remembered; a song, its plan; an SMPS song ported", async () => {
  const { page, context, lines, clipboard, search, answer } = await open();
  await page.selectOption("#driver", "sonic2");
  await page.reload();
  await page.waitForSelector("body[data-ready]");
  assert.equal(await page.title(), "sonic2 \u2014 Beatwright");
  await page.check("#Option1_1");
  await search("6", "125", "1");
  // The companion's lines for --driver sonic2 --pal, from a separate rounds search.
  assert.deepEqual((await lines()).slice(0, 2), ["07F9 .04464111% faster", "05B2 .1249969% faster"]);
  // seed1.xm: speed 6 then 3 at tempo 125, then 3 at 140.
  await page.setInputFiles("#songFile", `${songs}/seed1.xm`);
  await page.waitForSelector("#plan:not([hidden])");
  assert.equal(await page.title(), "seed1.xm \u2014 sonic2 \u2014 Beatwright");
  assert.deepEqual(await page.locator("#songStates option").allTextContents(), [
    "speed 6, tempo 125 \u2014 order 0, row 0", "speed 3, tempo 125 \u2014 order 0, row 16", "speed 3, tempo 140 \u2014 order 0, row 32"]);
  await page.selectOption("#songStates", "2");
  assert.deepEqual([await page.inputValue("#Combo1"), await page.inputValue("#Combo2")], ["3", "140"]);
  assert.deepEqual(await page.locator("#timeline div").allTextContents(), ["6/125", "3/125", "3/140"]);
  await page.selectOption("#driver", "sonic3k");
  assert.match(await page.textContent("#planText"), /^Tempo plan on sonic3k \(carry-delay model\), PAL, tolerance 1%\nRecommended: /);
  await page.click("#copyPlanSource");
  assert.match(await clipboard(), /; the bytes assume smpsHeaderStartSong 3\n/);
  await page.setInputFiles("#songFile", { name: "broken.xm", mimeType: "audio/x-xm", buffer: Buffer.from("Extended") });
  assert.equal(await answer("OK"), "Open song: Cannot read broken.xm:\nnot a module file (XM, MOD, S3M, IT or another tracker format).");
  await page.check("#Option1_0");
  const source = "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n";
  await page.setInputFiles("#songFile", { name: "song.asm", mimeType: "text/plain", buffer: Buffer.from(source) });
  await page.waitForFunction(() => document.getElementById("planCaption").textContent === "SMPS song \u2014 song.asm");
  assert.equal(await page.isDisabled("#copyPlanSource"), true);
  await page.click("#portSmps");
  // 60 x 2/3 = 40 units a second, XM tempo 40 x 2.5 x 3 at speed 3; on sonic3k 60 x (256 - 85)
  // / 256, where SMPS2ASM's 513 / 3 = 171 for sonic2, then $100 - 171, agrees.
  assert.match(await page.textContent("#planText"), /smpsHeaderTempo 0103: 40 units a second, XM tempo 300\n  on sonic3k: 0155, \.1953125% faster; SMPS2ASM gives \$55/);
  await page.click("#copyPlanSource");
  assert.match(await clipboard(), /\tsmpsHeaderStartSong 3\n\tsmpsHeaderTempo \$01, \$55/);
  await page.selectOption("#driver", "sonic2");  // another driver: ported again only on request
  assert.deepEqual([await page.isDisabled("#copyPlanSource"), await page.textContent("#portSmps")], [true, "Port to sonic2"]);
  await context.close();
});

test("offline after the first visit", async () => {
  const { page, context, lines, search } = await open();
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();  // the worker now controls the page and has kept every file
  await page.waitForSelector("body[data-ready]");
  await context.setOffline(true);
  await page.reload();
  await page.waitForSelector("body[data-ready]");
  await search("6", "125");
  assert.deepEqual(await lines(), typical);
  await context.close();
});
