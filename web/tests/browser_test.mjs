// The page in Debian's chromium, headless: each case starts a virtual radio with its faults, puts
// the serial double in place of navigator.serial, runs the page as a technician would and checks
// the message it ends with (and, for a success, the radio's flash and the service record).
// Usage: node browser_test.mjs SITE_DIR BIN_DIR OUT_DIR
//   SITE_DIR: the built page (build/web); BIN_DIR: native velmar-radio and velmar-fw;
//   OUT_DIR: screenshots (page-LANGUAGE-MOMENT.png) and each case's radio files.
import { execFileSync } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { join, resolve } from "node:path";
import { check, closeMessage, kMessageSeconds, messageShown, openPage, rewrite, startBrowser, startRadio, startRewrite, stopRadio, storedLog } from "./harness.mjs";

const [site, bin, out] = process.argv.slice(2).map((path) => resolve(path));
const sample = join(site, "Velmar_150421_01_12.mot");
const info = execFileSync(join(bin, "velmar-fw"), ["info", sample], { encoding: "utf8" });
const blocks = Number(/^Blocks:\s*(\d+)/m.exec(info)[1]);
const middle = Math.floor(blocks / 2);
// Frames: 1 the connect, 2 the erase, 3 on the blocks. The reply to the middle block comes
// 1.5 s late (within the 2,500 ms), time for the mid-write screenshot.
const midWrite = ["--fault", `delay:${3 + middle}:1500`];

// The page's service records as `velmar-fw log --json` reads them from a downloaded file.
function loggedByFw(work, log) {
  const folder = join(work, "state", "velmar-writer");
  mkdirSync(folder, { recursive: true });
  writeFileSync(join(folder, "service.jsonl"), log);
  const out = execFileSync(join(bin, "velmar-fw"), ["log", "--json"], { encoding: "utf8", env: { ...process.env, XDG_STATE_HOME: join(work, "state") } });
  return out.split("\n").filter(Boolean).map((line) => JSON.parse(line));
}

// A copy of the sample's first lines, the second with a wrong checksum.
function refusedFile(work) {
  const lines = readFileSync(sample, "latin1").split("\n");
  const line = lines[1].trimEnd();
  const sum = (parseInt(line.slice(-2), 16) + 1) & 0xff;
  lines[1] = line.slice(0, -2) + sum.toString(16).toUpperCase().padStart(2, "0");
  const path = join(work, "refused.mot");
  writeFileSync(path, lines.slice(0, 3).join("\n") + "\n", "latin1");
  return path;
}

async function fullRewrite({ page, work, language, radio }) {
  const shot = (moment) => page.screenshot({ path: join(out, `page-${language}-${moment}.png`) });
  const midShot = page
    .waitForFunction((text) => document.getElementById("activity").textContent.startsWith(text), { timeout: kMessageSeconds * 1000 }, language === "ja" ? `ブロック ${middle + 1} / ` : `Writing block ${middle + 1} of`)
    .then(() => shot("mid"));
  const said = await rewrite(page, shot);
  await midShot;
  check(said.title === "Finished" && said.text === "Rewriting success!", `ended "${said.title}: ${said.text}"`);
  await shot("end");
  await closeMessage(page);
  // Its begin and end lines are one record to the desktop's log reader.
  const records = loggedByFw(work, await storedLog(page));
  const record = records[0];
  check(records.length === 1 && record.result === "Rewriting success!" && record.blocks_written === blocks && record.blocks_total === blocks && !record.interrupted, `records ${JSON.stringify(records)}`);
  // The port opens at each step's first byte, at that byte's speed (the erase and the end
  // switch from 4,800 to 38,400 before their frame), and every open asserts DTR and RTS.
  const { opens, signalsSet } = await page.evaluate(() => {
    const { opens, signalsSet } = navigator.serial.port;
    return { opens, signalsSet };
  });
  check(opens.join() === "9600,38400,38400,38400", `port opened at ${opens.join()}`);
  check(signalsSet.length === opens.length && signalsSet.every(Boolean), `DTR and RTS set ${signalsSet.join()}`);
  await stopRadio(radio);
  execFileSync(join(bin, "velmar-fw"), ["dump", sample, "-o", join(work, "image.bin")]);
  check(readFileSync(join(work, "flash.bin")).equals(readFileSync(join(work, "image.bin"))), "the radio's flash differs from the image");
  return `${said.text} ${record.blocks_written} blocks, flash equal to the image`;
}

function failedRewrite(headline, detail) {
  return async ({ page }) => {
    const said = await rewrite(page);
    check(said.title === "ERROR" && said.text === headline, `ended "${said.title}: ${said.text}"`);
    check(detail.test(said.detail), `detail "${said.detail}"`);
    await closeMessage(page);
    // The box's close event, which unlocks the page, comes a moment after the box has closed.
    const unlocked = await page.waitForFunction(() => !document.getElementById("cmdMacro").disabled, { timeout: 5000 }).catch(() => null);
    check(unlocked !== null, "the main button stayed locked");
    return `${said.text}: ${said.detail}`;
  };
}

const cases = [
  { name: "the sample rewritten, in Japanese", language: "ja", radio: midWrite, run: fullRewrite },
  { name: "the sample rewritten, in English", language: "en", radio: midWrite, run: fullRewrite },
  {
    name: "a late reply, then silence",
    radio: ["--fault", "delay:5:3000", "--silent-from", "6"],
    run: failedRewrite("Writing failure", /^No reply within 2,500 ms/),
  },
  { name: "a refused erase", radio: ["--fault", "e:2:3"], run: failedRewrite("Deletion failure", /status "E"/) },
  // Chrome refuses the open of a port another program holds; the bridge cannot open this one.
  { name: "the port held by another program", device: "/nonexistent/ttyUSB0", run: failedRewrite("Connection failure", /^busy: another program holds the port USB 0403:6001/) },
  { name: "the cable pulled mid-write", radio: ["--vanish-at", String(3 + middle)], run: failedRewrite("Writing failure", /the adapter was removed/) },
  {
    name: "the tab reloaded mid-write",
    language: "en",
    radio: ["--silent-from", "6"],
    run: async ({ page, work }) => {
      await startRewrite(page);
      await page.waitForFunction(() => document.getElementById("activity").textContent.startsWith("Writing block"));
      // A second tab sees the run going on, and sees it cut off once its tab is gone.
      const other = await page.browserContext().newPage();
      await other.goto(page.url());
      await other.waitForSelector("body[data-ready]", { timeout: 20000 });
      const firstResult = (result) => document.getElementById("recordTable").tBodies[0].rows[0]?.cells[1].textContent === result;
      await other.waitForFunction(firstResult, { timeout: 5000 }, "Rewriting now");
      // Leaving asks first; the technician leaves anyway.
      page.once("dialog", (dialog) => dialog.accept());
      await page.reload();
      await page.waitForSelector("body[data-ready]", { timeout: 20000 });
      await other.waitForFunction(firstResult, { timeout: 5000 }, "Interrupted");
      await page.waitForFunction(firstResult, { timeout: 5000 }, "Interrupted");
      const shown = await page.evaluate(() => ({
        result: document.getElementById("recordTable").tBodies[0].rows[0]?.cells[1].textContent,
        note: document.getElementById("recordsNote").hidden ? "" : document.getElementById("recordsNote").textContent,
      }));
      check(shown.result === "Interrupted" && shown.note.startsWith("Interrupted: the rewrite never reached its result"), `shown ${JSON.stringify(shown)}`);
      const records = loggedByFw(work, await storedLog(page));
      check(records.length === 1 && records[0].interrupted === true && records[0].result === null, `velmar-fw log read ${JSON.stringify(records)}`);
      return `${shown.result}; velmar-fw log: ${records[0].note}`;
    },
  },
  {
    name: "a refused file",
    language: "en",
    run: async ({ page, work }) => {
      await (await page.$("#fileInput")).uploadFile(refusedFile(work));
      const said = await messageShown(page);
      check(said.title === "Error" && said.text === "Error Code = 8 ; Line number = 2", `said "${said.title}: ${said.text}"`);
      check(/checksum/.test(said.detail), `meaning "${said.detail}"`);
      await closeMessage(page);
      const name = await page.$eval("#fileName", (element) => element.textContent);
      check(name === "Velmar_150421_01_12.mot", `loaded "${name}" after the refusal`);
      return `${said.text}: ${said.detail}`;
    },
  },
  {
    name: "a browser without Web Serial",
    language: "en",
    serial: false,
    run: async ({ page }) => {
      const notice = await page.$eval("#unsupported", (element) => (element.hidden ? "" : element.textContent));
      check(/Chrome, Edge/.test(notice), `notice "${notice}"`);
      check(await page.$eval("#cmdMacro", (button) => button.hidden), "the main button is offered");
      return notice;
    },
  },
];

async function runCase(session, test, work) {
  let radio = null;
  let page = null;
  try {
    if (test.radio) {
      const started = await startRadio(bin, work, test.radio);
      radio = started.radio;
      session.bridge.device = started.device;
    }
    if (test.device) session.bridge.device = test.device;
    page = await openPage(session, { language: test.language, serial: test.serial ?? true });
    const said = await test.run({ page, work, language: test.language, radio });
    check(page.errors.length === 0, `page errors: ${page.errors.join("; ")}`);
    return said;
  } finally {
    if (radio) await stopRadio(radio);
    if (page) await page.closeContext();
  }
}

const session = await startBrowser(site, out);
let passed = 0;
let failed = 0;
try {
  for (const [index, test] of cases.entries()) {
    // VELMAR_WEB_CASE picks the cases whose name holds it, to look at one.
    if (process.env.VELMAR_WEB_CASE && !test.name.includes(process.env.VELMAR_WEB_CASE)) continue;
    const work = join(out, `case${index + 1}`);
    mkdirSync(work, { recursive: true });
    const started = Date.now();
    let timer;
    try {
      // A case that hangs fails on its own; the others still run.
      const said = await Promise.race([
        runCase(session, test, work),
        new Promise((_, reject) => (timer = setTimeout(() => reject(new Error(`no end within ${2 * kMessageSeconds} s`)), 2000 * kMessageSeconds))),
      ]);
      ++passed;
      console.log(`ok     ${test.name} (${((Date.now() - started) / 1000).toFixed(1)} s)\n         ${said}`);
    } catch (error) {
      ++failed;
      console.log(`FAILED ${test.name}: ${error.message}`);
    } finally {
      clearTimeout(timer);
    }
  }
} finally {
  await session.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
