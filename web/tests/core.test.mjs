// The WebAssembly core against the native companion over every speed, tempo and standard
// at the widest tolerance: the same lines, byte for byte.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFile } from "node:child_process";
import { createRequire } from "node:module";
import { promisify } from "node:util";
import { site } from "./browser.mjs";

const run = promisify(execFile);
const cli = process.env.BEATWRIGHT_CLI ?? new URL("../../build/cli/beatwright-cli", import.meta.url).pathname;

test("every list the same as the native companion's", async (t) => {
  const core = await createRequire(import.meta.url)(`${site}/beatwright.js`)();
  let identical = 0;
  // One shell a speed runs the companion for every tempo, each list closed by a "#" line.
  const compare = async (pal, speed) => {
    const { stdout } = await run("sh", ["-c", `for t in $(seq 32 255); do "$0" --speed ${speed} --tempo $t --tolerance 10000 ${pal ? "--pal" : ""}; echo "#"; done`, cli], { maxBuffer: 1 << 28 });
    const native = stdout.split("#\n");
    for (let tempo = 32; tempo <= 255; tempo++) {
      const web = core.search("sonic1", pal, String(speed), String(tempo), "10000").lines.map((line) => `${line}\n`).join("");
      assert.equal(web, native[tempo - 32], `speed ${speed}, tempo ${tempo}${pal ? ", PAL" : ""}`);
      identical++;
    }
  };
  for (const pal of [false, true]) {
    for (let speed = 1; speed <= 31; speed += 2) await Promise.all([compare(pal, speed), speed < 31 ? compare(pal, speed + 1) : null]);
  }
  t.diagnostic(`${identical} of 13888 lists identical`);
  assert.equal(identical, 13888);
});
