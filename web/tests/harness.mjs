// What the browser tests and the paced rewrite share: Debian's chromium under puppeteer-core,
// the bridge, virtual radios, and the page driven as a technician drives it.
import { spawn } from "node:child_process";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { createInterface } from "node:readline";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { startBridge } from "./bridge.mjs";

// VELMAR_NODE_MODULES names the folder puppeteer-core and ws were installed into.
const require = createRequire(join(resolve(process.env.VELMAR_NODE_MODULES ?? "build/web-node/node_modules"), "/"));
const puppeteer = require("puppeteer-core");
const { WebSocketServer } = require("ws");
const double = readFileSync(join(dirname(fileURLToPath(import.meta.url)), "serial_double.js"), "utf8");

export const kMessageSeconds = 60;

// Chromium with a fresh profile in `out`, and the bridge serving `site`.
export async function startBrowser(site, out) {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    userDataDir: join(out, "profile"),
    args: [
      "--headless",
      "--no-sandbox",
      "--disable-gpu",
      "--disable-quic",
      "--no-first-run",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
    ],
  });
  const bridge = await startBridge(site, WebSocketServer);
  return {
    browser,
    bridge,
    close: async () => {
      await bridge.close();
      await browser.close();
    },
  };
}

// velmar-radio with `options`, its traffic log and flash dump in `work`; resolves with the
// process and its device once it printed the device.
export function startRadio(bin, work, options) {
  const radio = spawn(join(bin, "velmar-radio"), ["--log", join(work, "traffic.log"), "--dump", join(work, "flash.bin"), ...options], {
    stdio: ["ignore", "pipe", "ignore"],
  });
  return new Promise((resolve, reject) => {
    radio.on("error", reject);
    createInterface({ input: radio.stdout }).once("line", (device) => resolve({ radio, device }));
  });
}

// Ends the radio, which dumps its flash on the way out.
export function stopRadio(radio) {
  if (radio.exitCode !== null || radio.signalCode !== null) return Promise.resolve();
  return new Promise((resolve) => {
    radio.on("exit", resolve);
    radio.kill("SIGTERM");
  });
}

// A new page in a fresh browser context, with the serial double in place of navigator.serial
// (or no Web Serial at all), once the page says it is ready.
export async function openPage(session, { language = "ja", serial = true } = {}) {
  const context = await session.browser.createBrowserContext();
  const page = await context.newPage();
  page.errors = [];
  page.on("pageerror", (error) => page.errors.push(error.message));
  await page.setViewport({ width: 900, height: 760 });
  if (serial) await page.evaluateOnNewDocument(`${double}\ninstallSerialDouble(${JSON.stringify(session.bridge.radioUrl)});`);
  else await page.evaluateOnNewDocument(() => delete Navigator.prototype.serial);
  await page.goto(`${session.bridge.url}index.html?lang=${language}`);
  await page.waitForSelector("body[data-ready]", { timeout: 20000 });
  page.closeContext = () => context.close();
  return page;
}

export async function messageShown(page, seconds = kMessageSeconds) {
  await page.waitForSelector("#messageBox[open]", { timeout: seconds * 1000 });
  return page.evaluate(() => ({
    title: document.getElementById("messageTitle").textContent,
    text: document.getElementById("messageText").textContent,
    detail: document.getElementById("messageDetail").textContent,
  }));
}

export async function closeMessage(page) {
  const shown = () => {
    const box = document.getElementById("messageBox");
    return box.open ? `${document.getElementById("messageTitle").textContent}\n${document.getElementById("messageText").textContent}` : "";
  };
  const before = await page.evaluate(shown);
  await page.click("#messageOk");
  // Closed, or the next message already in the same box (a port refused at its first byte).
  await page.waitForFunction(`(${shown})() !== ${JSON.stringify(before)}`);
}

export function check(condition, what) {
  if (!condition) throw new Error(what);
}

// Chooses the port, presses the main button, answers OK; `shot` is called once the port is
// chosen.
export async function startRewrite(page, shot = async () => {}) {
  await page.click("#choosePort");
  await page.waitForFunction(() => document.getElementById("portName").textContent.startsWith("USB"));
  await shot("start");
  await page.click("#cmdMacro");
  const confirm = await messageShown(page);
  check(confirm.title === "Rewriting of software", `confirmation titled "${confirm.title}"`);
  await closeMessage(page);
}

// A rewrite as startRewrite begins it; returns the final message, which must come within
// `seconds`.
export async function rewrite(page, shot = async () => {}, seconds = kMessageSeconds) {
  await startRewrite(page, shot);
  return messageShown(page, seconds);
}

// The page's service records as it keeps them (and downloads them).
export function storedLog(page) {
  return page.evaluate(() => localStorage.getItem("velmar-writer.service-log") ?? "");
}
