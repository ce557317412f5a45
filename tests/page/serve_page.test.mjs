// The page of skilltab serve as a person uses it: Debian's Chromium driven
// by puppeteer-core through the controls' accessible names, as a screen
// reader finds them; the Linux program, or the Windows one under Wine.
// Skips (status 77) where Chromium or the package is missing.
import { spawn, spawnSync } from "node:child_process";
import { mkdtempSync, mkdirSync, readFileSync, writeFileSync, existsSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { test, after } from "node:test";
import assert from "node:assert/strict";

// The program itself, or under Wine the loader and the Windows program.
const [PROGRAM, ...UNDER] = process.env.SKILLTAB_WINDOWS
  ? process.env.SKILLTAB_PROGRAM.split(" ")
  : [process.env.SKILLTAB_BUILT_PROGRAM];
// Wine makes SIGINT the console's Ctrl-C; the other signals end Wine itself.
const STOP = (signal) => (process.env.SKILLTAB_WINDOWS ? "SIGINT" : signal);
const CHROMIUM = "/usr/bin/chromium";
const SKIP = 77;

let puppeteer;
try {
  puppeteer = (await import("puppeteer-core")).default;
} catch {
  console.log("skipped: puppeteer-core is not installed (npm ci --prefix tests/page)");
  process.exit(SKIP);
}
if (!PROGRAM || !existsSync(CHROMIUM)) {
  console.log("skipped: the page is tested with Debian's chromium");
  process.exit(SKIP);
}

const folder = mkdtempSync(join(tmpdir(), "skilltab-page-"));
after(() => rmSync(folder, { recursive: true, force: true }));

// The stand-in block: level (slot + class) % 5 everywhere.
const block = Buffer.alloc(1332);
for (let index = 0; index < 1332; ++index)
  block[index] = ((index % 37) + Math.floor(index / 148)) % 5;
const KNIGHT_STAFF = [0, 37, 74, 111];  // the four stages of the Knight's Staff
const LETTERS = "-BEMG";

function run(words) {
  return spawnSync(PROGRAM, [...UNDER, ...words], { cwd: folder, encoding: "utf8" });
}

// serve started on kept.blk; its address, once it printed it.
async function startServe() {
  writeFileSync(join(folder, "kept.blk"), block);
  // Only its standard output is read, and only until the address: the first
  // program of a Wine session starts Wine's own background programs, which
  // would hold any pipe of it open, and the tests, for ever.
  const server = spawn(PROGRAM, [...UNDER, "serve", "--no-open", "kept.blk"], { cwd: folder, stdio: ["ignore", "pipe", "ignore"] });
  let printed = "";
  const address = await new Promise((resolve, reject) => {
    server.stdout.on("data", (data) => {
      printed += data;
      const found = /^Serving kept\.blk at (http:\/\/127\.0\.0\.1:\d+\/#token=[0-9a-f]{32})\nPress Ctrl-C to stop\.\n$/.exec(printed);
      if (found) {
        server.stdout.destroy();
        resolve(found[1]);
      }
    });
    server.on("exit", () => reject(new Error("serve ended: " + printed)));
  });
  const ended = new Promise((resolve) => server.on("exit", (code) => resolve(code)));
  return { server, address, ended };
}

async function launch() {
  return puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync"],
  });
}

const level = (page, name) => page.$eval(`aria/${name}`, (button) => button.textContent);
const said = (page) => page.$eval("[role=status]", (status) => status.textContent);
const unsaved = (page) => page.$eval("#unsaved", (line) => line.textContent);

test("a click, a key, Save, a conflict, two pages, leaving and Quit", async () => {
  const { server, address, ended } = await startServe();
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.goto(address);
    const staff = await page.waitForSelector("aria/Staff Knight unpromoted");
    // The token leaves the address bar.
    assert.equal(new URL(page.url()).hash, "");
    assert.equal(await level(page, "Staff Knight unpromoted"), LETTERS[block[0]]);

    // A click moves a level on; a letter typed on a focused level sets it.
    await staff.click();
    assert.equal(await level(page, "Staff Knight unpromoted"), LETTERS[(block[0] + 1) % 5]);
    await (await page.$("aria/Staff Knight light path")).focus();
    await page.keyboard.press("g");
    assert.equal(await level(page, "Staff Knight light path"), "G");
    const changed = block[74] === 4 ? 1 : 2;
    assert.equal(await unsaved(page), `Not saved: ${changed} levels in 1 entries`);

    // Save writes them, under the lock, as apply would.
    await (await page.$("aria/Save")).click();
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent.startsWith("Changed entries"));
    assert.equal(await said(page), "Changed entries: 1\n");
    const saved = readFileSync(join(folder, "kept.blk"));
    assert.equal(saved[0], (block[0] + 1) % 5);
    assert.equal(saved[74], 4);
    assert.equal(await unsaved(page), "");

    // Another program changes the dark path meanwhile; the user changes it too, and the Thief's Staff.
    await (await page.$("aria/Staff Knight dark path")).focus();
    const mine = (saved[111] + 1) % 5, theirs = (saved[111] + 2) % 5;
    await page.keyboard.press(String(mine));
    await (await page.$("aria/Staff Thief unpromoted")).click();
    writeFileSync(join(folder, "theirs.txt"),
                  `Skill Knight\nStaff ${LETTERS[saved[0]]}${LETTERS[saved[37]]}${LETTERS[saved[74]]}${LETTERS[theirs]}\n`);
    assert.equal(run(["apply", "theirs.txt", "kept.blk"]).status, 0);
    await page.keyboard.down("Control");
    await page.keyboard.press("s");
    await page.keyboard.up("Control");
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent.includes("Nothing was saved."));
    const entry = (levels) => levels.map((l) => LETTERS[l]).join("");
    assert.equal(await said(page), `kept.blk: Staff Knight: you set ...${LETTERS[mine]}` +
                 `, it now holds ${entry([saved[0], saved[37], saved[74], theirs])}\nNothing was saved.\n`);
    // The conflicting level shows the file's; the other change stays marked, and a second Save writes it.
    assert.equal(await level(page, "Staff Knight dark path"), LETTERS[theirs]);
    assert.equal(await unsaved(page), "Not saved: 1 levels in 1 entries");
    await (await page.$("aria/Save")).click();
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent.startsWith("Changed entries"));
    const after = readFileSync(join(folder, "kept.blk"));
    assert.equal(after[148], (block[148] + 1) % 5);
    assert.equal(after[111], theirs);  // another program's change is never reverted

    // A second page at once sees the file as it is now.
    const second = await browser.newPage();
    await second.goto(address);
    await second.waitForSelector("aria/Staff Thief unpromoted");
    assert.equal(await level(second, "Staff Thief unpromoted"), LETTERS[after[148]]);

    // Leaving with changes not saved asks first.
    await (await second.$("aria/Sword Knight unpromoted")).click();
    let asked = "";
    second.on("dialog", async (dialog) => { asked = dialog.type(); await dialog.dismiss(); });
    await second.reload({ timeout: 3000 }).catch(() => {});
    assert.equal(asked, "beforeunload");
    await second.close({ runBeforeUnload: false });

    // Quit asks where changes are not saved, stops serve, and the page says so.
    await (await page.$("aria/Sword Knight unpromoted")).click();
    page.on("dialog", async (dialog) => { await dialog.accept(); });
    await (await page.$("aria/Quit")).click();
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent.startsWith("skilltab has stopped"));
    assert.equal(await said(page), "skilltab has stopped. Changes not saved: 1.");
    assert.equal(await ended, 0);
  } finally {
    await browser.close();
    server.kill();
  }
});

test("one Tab stop, arrows, typed levels, Shift+Enter, words for a screen reader, Discard, 1280×720 and 200 %", async () => {
  const { server, address, ended } = await startServe();
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.goto(address);
    await page.waitForSelector("aria/Staff Knight unpromoted");
    const focused = () => page.evaluate(() => document.activeElement.getAttribute("aria-label") || document.activeElement.id);
    // A grid to a screen reader, which then hands the arrow keys to the page.
    assert.ok(await page.$('aria/Skill levels[role="grid"]'));
    // The grid is one Tab stop, after the page's buttons.
    await (await page.$("aria/Download my changes")).focus();
    await page.keyboard.press("Tab");
    assert.equal(await focused(), "Staff Knight unpromoted");
    await page.keyboard.press("Tab");
    assert.notEqual(await focused(), "Staff Knight first promotion");
    await page.keyboard.down("Shift");
    await page.keyboard.press("Tab");
    await page.keyboard.up("Shift");
    assert.equal(await focused(), "Staff Knight unpromoted");
    // Arrows: along the row into the next class, down a skill, no wrapping at the edges.
    await page.keyboard.press("ArrowLeft");
    assert.equal(await focused(), "Staff Knight unpromoted");
    const along = [];
    for (let i = 0; i < 4; ++i) {
      await page.keyboard.press("ArrowRight");
      along.push(await focused());
    }
    assert.deepEqual(along, ["Staff Knight first promotion", "Staff Knight light path", "Staff Knight dark path",
                             "Staff Thief unpromoted"]);
    await page.keyboard.press("ArrowDown");
    assert.equal(await focused(), "Sword Thief unpromoted");
    await page.keyboard.press("ArrowUp");
    await page.keyboard.press("ArrowUp");
    assert.equal(await focused(), "Staff Thief unpromoted");
    // Typing EMGG on the Knight's Staff sets its four levels, as the menu's C takes them.
    await (await page.$("aria/Staff Knight unpromoted")).focus();
    await page.keyboard.type("EMGG");
    const staff = await page.$$eval("button.level", (buttons) => buttons.slice(0, 4).map((b) => b.textContent).join(""));
    assert.equal(staff, "EMGG");
    assert.equal(await focused(), "Staff Knight dark path");
    // Shift+Enter moves a level back one ("-" goes to "G"); its words tell the file's level too.
    await page.keyboard.press("ArrowDown");
    assert.equal(await focused(), "Sword Knight dark path");
    await page.keyboard.press("0");
    assert.equal(await level(page, "Sword Knight dark path"), "-");
    await page.keyboard.down("Shift");
    await page.keyboard.press("Enter");
    await page.keyboard.up("Shift");
    assert.equal(await level(page, "Sword Knight dark path"), "G");
    const words = await page.evaluate(() =>
      document.getElementById(document.activeElement.getAttribute("aria-describedby")).textContent);
    assert.equal(words, `Grandmaster; changed, the file holds ${["none", "Basic", "Expert", "Master", "Grandmaster"][block[112]]}`);
    // Discard puts every level back to the file's.
    assert.notEqual(await unsaved(page), "");
    await (await page.$("aria/Discard")).click();
    assert.equal(await unsaved(page), "");
    assert.equal(await page.$$eval("button.level.changed", (buttons) => buttons.length), 0);
    assert.deepEqual(readFileSync(join(folder, "kept.blk")), block);
    // Usable at 1280×720 and at 200 % zoom (half as many CSS pixels, each two device
    // pixels): each level reached clear of the headers that stay in view.
    for (const [width, height, scale] of [[1280, 720, 1], [640, 360, 2]]) {
      await page.setViewport({ width, height, deviceScaleFactor: scale });
      await page.goto(address);
      await (await page.waitForSelector("aria/Staff Knight unpromoted")).focus();
      const hidden = [];
      // Around the grid's edge: down the Knight, along the last skill, up the Sorcerer, back along the first.
      for (const [key, times] of [["ArrowDown", 36], ["ArrowRight", 35], ["ArrowUp", 36], ["ArrowLeft", 35]]) {
        for (let i = 0; i < times; ++i) {
          await page.keyboard.press(key);
          const clear = await page.evaluate(() => {
            const cell = document.activeElement.getBoundingClientRect();
            const classes = document.querySelector("table.grid thead th").getBoundingClientRect();
            const skill = document.activeElement.closest("tr").querySelector("th").getBoundingClientRect();
            return cell.top >= classes.bottom - 1 && cell.left >= skill.right - 1 && cell.bottom <= innerHeight
              && cell.right <= innerWidth && classes.top >= -1 && skill.left >= -1;
          });
          if (!clear)
            hidden.push(await page.evaluate(() => document.activeElement.getAttribute("aria-label")));
        }
      }
      assert.deepEqual(hidden, [], `${width}×${height}`);
      assert.equal(await page.evaluate(() => document.activeElement.getAttribute("aria-label")), "Staff Knight unpromoted");
      // The buttons fit across the window.
      const right = await page.$$eval(".controls button", (buttons) => Math.max(...buttons.map((b) => b.getBoundingClientRect().right)));
      assert.ok(right <= width, `${width}×${height}: the buttons end at ${right}`);
    }
    server.kill(STOP("SIGTERM"));
    assert.equal(await ended, 0);
  } finally {
    await browser.close();
    server.kill();
  }
});

// A file the page saves, once it is there whole.
async function downloaded(folderName, name) {
  const file = join(folderName, name);
  for (let waited = 0; waited < 5000; waited += 50) {
    if (existsSync(file) && !existsSync(file + ".crdownload"))
      return readFileSync(file, "utf8");
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  return "<not downloaded>";
}

test("downloads, a patch opened, Undo last save, a file changed meanwhile", async () => {
  const { server, address, ended } = await startServe();
  const browser = await launch();
  try {
    const page = await browser.newPage();
    const downloads = join(folder, "downloads");
    mkdirSync(downloads, { recursive: true });
    const session = await page.createCDPSession();
    await session.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
    await page.goto(address);
    await page.waitForSelector("aria/Staff Knight unpromoted");
    // The file's table, the same bytes convert writes, named after the file.
    await (await page.$("aria/Download as text")).click();
    assert.equal(run(["convert", "kept.blk", "expected.txt"]).status, 0);
    assert.equal(await downloaded(downloads, "kept.txt"), readFileSync(join(folder, "expected.txt"), "utf8"));
    await (await page.$("aria/Download as CSV")).click();
    assert.equal(run(["convert", "kept.blk", "expected.csv"]).status, 0);
    assert.equal(await downloaded(downloads, "kept.csv"), readFileSync(join(folder, "expected.csv"), "utf8"));
    // A patch from the disk: its levels become changes, marked, not written until Save.
    writeFileSync(join(folder, "mod.txt"), "Skill Knight\nStaff GG..\n");
    const [chooser] = await Promise.all([page.waitForFileChooser(), (await page.$("aria/Open a patch…")).click()]);
    await chooser.accept([join(folder, "mod.txt")]);
    await page.waitForFunction(() => document.getElementById("unsaved").textContent !== "");
    assert.equal(await level(page, "Staff Knight unpromoted"), "G");
    assert.deepEqual(readFileSync(join(folder, "kept.blk")), block);
    // My changes as diff --patch would write them.
    await (await page.$("aria/Download my changes")).click();
    const changed = Buffer.from(block);
    changed[0] = 4;
    changed[37] = 4;
    writeFileSync(join(folder, "changed.blk"), changed);
    assert.equal(await downloaded(downloads, "kept-changes.txt"), run(["diff", "--patch", "kept.blk", "changed.blk"]).stdout);
    // A patch with a mistake, and a file that is no patch, change nothing.
    writeFileSync(join(folder, "bad.csv"), "Skill,Knight\nStaf,GGGG\n");
    writeFileSync(join(folder, "table.blk"), block);
    for (const [name, words] of [["bad.csv", "bad.csv:2: unknown skill: Staf\n"],
                                 ["table.blk", "table.blk: a patch is a text (.txt) or a CSV (.csv)"]]) {
      const [again] = await Promise.all([page.waitForFileChooser(), (await page.$("aria/Open a patch…")).click()]);
      await again.accept([join(folder, name)]);
      await page.waitForFunction((text) => document.querySelector("[role=status]").textContent === text, {}, words);
    }
    assert.equal(await unsaved(page), "Not saved: 2 levels in 1 entries");
    // Save, then Undo last save puts those levels back, as a save does.
    await (await page.$("aria/Save")).click();
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent.startsWith("Changed entries"));
    assert.deepEqual(readFileSync(join(folder, "kept.blk")), changed);
    await page.waitForFunction(() => !document.getElementById("undo").disabled);
    // Another program changes a level the save wrote, and the page reads it back in view:
    // Undo names the conflict and reverts nothing.
    writeFileSync(join(folder, "theirs.txt"), "Skill Knight\nStaff MG..\n");
    assert.equal(run(["apply", "theirs.txt", "kept.blk"]).status, 0);
    await page.evaluate(() => window.dispatchEvent(new Event("focus")));
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent === "The file changed since it was shown.");
    await (await page.$("aria/Undo last save")).click();
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent.includes("Nothing was saved."));
    assert.equal(await said(page), `kept.blk: Staff Knight: you set ${LETTERS[block[0]]}${LETTERS[block[37]]}..` +
                 `, it now holds MG${LETTERS[block[74]]}${LETTERS[block[111]]}\nNothing was saved.\n`);
    changed[0] = 3;
    assert.deepEqual(readFileSync(join(folder, "kept.blk")), changed);
    // Put back as the save left it, Undo writes.
    writeFileSync(join(folder, "theirs.txt"), "Skill Knight\nStaff G...\n");
    assert.equal(run(["apply", "theirs.txt", "kept.blk"]).status, 0);
    await (await page.$("aria/Undo last save")).click();
    // The save said the same words; the button turns off once the undo is written.
    await page.waitForFunction(() => document.getElementById("undo").disabled);
    assert.equal(await page.$eval("[role=status]", (status) => status.textContent), "Changed entries: 1\n");
    assert.deepEqual(readFileSync(join(folder, "kept.blk")), block);
    // Another program changes the file; back in view, the page shows it and says so.
    writeFileSync(join(folder, "theirs.txt"), "Skill Thief\nSword GGGG\n");
    assert.equal(run(["apply", "theirs.txt", "kept.blk"]).status, 0);
    await page.evaluate(() => window.dispatchEvent(new Event("focus")));
    await page.waitForFunction(() => document.querySelector("[role=status]").textContent === "The file changed since it was shown.");
    assert.equal(await level(page, "Sword Thief unpromoted"), "G");
    server.kill(STOP("SIGINT"));
    assert.equal(await ended, 0);
  } finally {
    await browser.close();
    server.kill();
  }
});
