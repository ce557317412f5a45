// How fast serve's page is ready and saves, and whether its memory stays:
// run by hand, never as a test, after `cmake --workflow --preset default`
// and `npm ci --prefix tests/page`:
//
//     node bench/serve_bench.mjs
//
// - the page ready: from navigation to the grid answering a click, in
//   headless Chromium (median of 9);
// - a save of a one-entry change against an apply of the same one-entry
//   patch (medians of 41 each, every one writing the file);
// - the serve process's resident memory after 100 saves and after 1,000.
import { spawn, spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const root = join(dirname(fileURLToPath(import.meta.url)), "..");
const puppeteer = createRequire(join(root, "tests/page/package.json"))("puppeteer-core");
const PROGRAM = join(root, "build/skilltab");
const folder = mkdtempSync(join(tmpdir(), "skilltab-bench-"));
const game = readFileSync(join(root, "build/demo/mm7.exe"));
writeFileSync(join(folder, "mm7.exe"), game);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const server = spawn(PROGRAM, ["serve", "--no-open", "mm7.exe"], { cwd: folder });
const address = await new Promise((resolve) => {
  let printed = "";
  server.stdout.on("data", (data) => {
    printed += data;
    const found = /at (http:\S+)\n/.exec(printed);
    if (found)
      resolve(found[1]);
  });
});
const origin = new URL(address).origin;
const token = /token=(\w+)/.exec(address)[1];

const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium", headless: true,
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update", "--no-first-run"],
});
const ready = [];
for (let round = 0; round < 9; ++round) {
  const page = await browser.newPage();
  const started = performance.now();
  await page.goto(address);
  const level = await page.waitForSelector("button.level");
  const before = await level.evaluate((button) => button.textContent);
  await level.click();
  await page.waitForFunction((button, text) => button.textContent !== text, {}, level, before);
  ready.push(performance.now() - started);
  await page.close();
}
await browser.close();

async function levels() {
  const response = await fetch(origin + "/api/table", { headers: { Authorization: "Bearer " + token } });
  return (await response.json()).levels;
}
async function save(level) {
  const shown = await levels();
  const started = performance.now();
  await fetch(origin + "/api/save", {
    method: "POST", body: "shown=" + shown + "&change=" + level + ".".repeat(1331),
    headers: { Authorization: "Bearer " + token, Origin: origin, "Content-Type": "application/x-www-form-urlencoded" },
  });
  return performance.now() - started;
}
const saves = [], applies = [];
writeFileSync(join(folder, "grandmaster.txt"), "Skill Knight\nStaff G...\n");
writeFileSync(join(folder, "none.txt"), "Skill Knight\nStaff -...\n");
for (let round = 0; round < 41; ++round) {
  saves.push(await save(round % 2 === 0 ? "4" : "0"));
  const started = performance.now();
  spawnSync(PROGRAM, ["apply", round % 2 === 0 ? "grandmaster.txt" : "none.txt", "mm7.exe"], { cwd: folder });
  applies.push(performance.now() - started);
}

const resident = () => Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${server.pid}/status`, "utf8"))[1]);
let count = 41;
for (; count < 100; ++count)
  await save(count % 2 === 0 ? "4" : "0");
const after100 = resident();
for (; count < 1000; ++count)
  await save(count % 2 === 0 ? "4" : "0");
const after1000 = resident();
server.kill("SIGTERM");
rmSync(folder, { recursive: true, force: true });

console.log(`page ready (navigation to a click answered): ${median(ready).toFixed(0)} ms`);
console.log(`save of one entry: ${median(saves).toFixed(1)} ms; apply of the same patch: ${median(applies).toFixed(1)} ms; ` +
            `save / apply: ${(median(saves) / median(applies)).toFixed(2)}`);
console.log(`serve's resident memory: ${after100} KiB after 100 saves, ${after1000} KiB after 1,000 ` +
            `(${after1000 - after100} KiB more)`);
