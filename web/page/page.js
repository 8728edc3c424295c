// The page around the core: the operator's controls as the window has them, the loaded
// firmware, the service records, and the two languages. What happens to the radio and every
// word about it come from the core (velmar-core.js); this file only shows them.
import createVelmarCore from "./velmar-core.js";
import { LoaderPort } from "./serial_port.js";
import { pageWords } from "./page_words.js";
import { windowWordsEn } from "./window_words_en.js";

const $ = (id) => document.getElementById(id);
const kRecordsKey = "velmar-writer.service-log";
const kLanguageKey = "velmar-writer.language";
const kFirmwareFolder = "/firmware";
const kIcons = { warning: "⚠️", information: "ℹ️", stop: "⛔" };

let language = chosenLanguage();
let core = null;
let texts = {};
let port = null;
let loaded = null; // { name, sha256, blocks, checksum }
let busy = false;
let write = null; // the running rewrite's counts for the status line

function chosenLanguage() {
  const asked = new URLSearchParams(location.search).get("lang");
  if (asked === "en" || asked === "ja") return asked;
  // The window speaks Japanese unless English was chosen.
  return localStorage.getItem(kLanguageKey) === "en" ? "en" : "ja";
}

function pageWord(key) {
  return pageWords[language][key];
}

// One of the window's own texts, as the window shows it in the language in use.
function windowWord(text, context = "velmar::frmMain") {
  if (language === "ja") return text;
  return windowWordsEn[context]?.[text] ?? text;
}

// One of the texts the window adds around its designed area (status line, records).
function statusWord(text) {
  return windowWord(text, "velmar::StatusPanel");
}

// A text from the core: translated whole where the window translates it whole, else with the
// Japanese words inside it translated (a refused line's 行番号).
function shownText(text) {
  const table = windowWordsEn.velmar ?? {};
  if (language === "ja" || !text) return text;
  if (table[text] !== undefined) return table[text];
  let shown = text;
  for (const [source, translation] of Object.entries(table)) shown = shown.split(source).join(translation);
  return shown;
}

function fill(text, ...values) {
  return values.reduce((done, value, i) => done.split(`%${i + 1}`).join(String(value)), text);
}

// ---- the message box ----

function messageBox({ title, text, detail = "", icon = "", cancel = false }) {
  const box = $("messageBox");
  $("messageTitle").textContent = title;
  $("messageText").textContent = text;
  $("messageDetail").textContent = detail;
  $("messageIcon").textContent = kIcons[icon] ?? "";
  $("messageCancel").hidden = !cancel;
  box.returnValue = "";
  return new Promise((resolve) => {
    box.addEventListener("close", () => resolve(box.returnValue === "ok"), { once: true });
    box.showModal();
    // Cancel is the confirmation's default button, as in the window.
    (cancel ? $("messageCancel") : $("messageOk")).focus();
  });
}

// ---- the loaded firmware ----

async function sha256Hex(bytes) {
  const digest = await crypto.subtle.digest("SHA-256", bytes);
  return [...new Uint8Array(digest)].map((b) => b.toString(16).padStart(2, "0")).join("");
}

async function loadFirmware(name, bytes) {
  const path = `${kFirmwareFolder}/${name.replaceAll("/", "_")}`;
  core.FS.writeFile(path, bytes);
  const outcome = JSON.parse(core.ccall("velmar_load", "string", ["string", "string"], [path, name]));
  core.FS.unlink(path);
  if (outcome.loaded) {
    loaded = { name, sha256: await sha256Hex(bytes), blocks: outcome.blocks, checksum: outcome.checksum };
    showLoaded();
    return;
  }
  // A refused file changes nothing loaded.
  await messageBox({
    title: outcome.title,
    text: shownText(outcome.text),
    detail: outcome.meaning,
    icon: outcome.icon,
  });
}

async function loadFromUser(file) {
  if (busy || !file) return;
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch {
    await messageBox({ title: texts.fileOpenErrorTitle, text: texts.fileOpenErrorText, detail: `${file.name}: ${pageWord("readError")}`, icon: "stop" });
    return;
  }
  await loadFirmware(file.name, bytes);
}

function showLoaded() {
  $("fileName").textContent = loaded ? loaded.name : statusWord(texts.noFirmware ?? "");
  $("blockCount").textContent = loaded ? String(loaded.blocks) : "";
  $("checksum").textContent = loaded ? loaded.checksum : "";
  $("sha256").textContent = loaded ? loaded.sha256 : "";
}

// ---- the port ----

function showPort() {
  let name = pageWord("noPortChosen");
  if (port && port.chosen()) {
    const maker = port.makerName();
    name = port.deviceName() + (maker ? ` (${maker})` : "") + (port.connected ? "" : pageWord("portUnplugged"));
  }
  $("portName").textContent = name;
}

// ---- the rewrite ----

function setLocked(locked) {
  for (const id of ["cmdMacro", "choosePort", "fileInput"]) $(id).disabled = locked;
  for (const option of document.querySelectorAll("input[name=optVersion]")) option.disabled = locked;
  $("openFile").classList.toggle("disabled", locked);
}

function showActivity(text) {
  $("activity").textContent = text;
}

function showWriteProgress() {
  if (!write) return;
  const done = Math.min(write.accepted, write.total);
  let text = fill(statusWord(texts.writing), Math.min(done + 1, write.total), write.total, Math.floor((done * 100) / write.total));
  if (done > 0) {
    const elapsed = (performance.now() - write.started) / 1000;
    text += fill(statusWord(texts.timeLeft), Math.round((elapsed / done) * (write.total - done)));
  }
  showActivity(text);
}

// What the core calls while the rewrite runs.
const pageHooks = {
  progress(value) {
    $("ProgressBar1").value = value;
    $("ProgressBar1").hidden = false;
  },
  address(text) {
    $("Text1").value = text;
  },
  accepted() {
    if (write) ++write.accepted;
    showWriteProgress();
  },
  stage(name) {
    write = null;
    if (name === "connect") showActivity(statusWord(texts.connecting));
    else if (name === "erase") showActivity(statusWord(texts.erasing));
    else if (name === "end") showActivity(statusWord(texts.ending));
    else if (name === "write") {
      write = { accepted: 0, total: loaded ? loaded.blocks : 0, started: performance.now() };
      showWriteProgress();
    }
  },
  confirmRewrite: null, // set for each run
};

function confirmRewrite() {
  const detail = [
    `${pageWord("file")}: ${loaded ? loaded.name : statusWord(texts.noFirmware)}`,
    `${pageWord("checksum")}: ${loaded ? loaded.checksum : ""}`,
    `${pageWord("port")}: ${port.chosen() ? port.deviceName() : pageWord("noPortChosen")}`,
  ].join("\n");
  return messageBox({ title: texts.confirmTitle, text: texts.confirmText, detail, icon: "warning", cancel: true });
}

async function rewrite() {
  if (busy) return;
  busy = true;
  setLocked(true);
  window.addEventListener("beforeunload", warnBeforeLeaving);
  // A computer that goes to sleep mid-rewrite cuts the adapter off; keep it awake meanwhile.
  const awake = await navigator.wakeLock?.request("screen").catch(() => null);
  const loader = Number(document.querySelector("input[name=optVersion]:checked").value);
  let begun = null;
  pageHooks.confirmRewrite = async () => {
    const ok = await confirmRewrite();
    if (ok) begun = await beginRecord(loader);
    return ok;
  };
  try {
    const outcome = JSON.parse(await core.ccall("velmar_rewrite", "string", ["number"], [loader], { async: true }));
    write = null;
    if (!outcome.cancelled) await finishRewrite(outcome, begun, loader);
  } finally {
    // A rewrite that ended without its result (the core failed) is not left looking as if it ran.
    begun?.release();
    window.removeEventListener("beforeunload", warnBeforeLeaving);
    awake?.release().catch(() => {});
    $("ProgressBar1").hidden = true;
    setLocked(false);
    busy = false;
  }
}

async function finishRewrite(outcome, begun, loader) {
  if (outcome.succeeded) pageHooks.progress(128);
  const { kept, problem } = finishRecord(begun, loader, outcome.headline, outcome.device, outcome.blocksWritten);
  let detail = outcome.detail;
  if (outcome.stage === "connect" && !port.chosen()) detail = pageWord("noPortCause");
  if (problem) detail += `${detail ? "\n" : ""}Service log not written: ${problem}`;
  showActivity(`${outcome.headline}  ${outcome.blocksWritten} / ${outcome.blocksToSend}  ${kept.seconds.toFixed(1)} s`);
  await messageBox({
    title: outcome.succeeded ? texts.successTitle : texts.errorTitle,
    text: outcome.headline,
    detail,
    icon: outcome.succeeded ? "information" : "warning",
  });
}

function warnBeforeLeaving(event) {
  event.preventDefault();
  event.returnValue = pageWord("leaveWarning");
  return event.returnValue;
}

// ---- service records: the desktop's lines, kept in this browser ----
// A rewrite leaves two lines joined by their run: one as it begins, before the radio is first
// touched, and one with its result as it ends, so a tab closed mid-rewrite (or a computer that
// went off) still leaves a record, read as interrupted.

function newRecord(loader) {
  return {
    time: new Date().toISOString().replace(/\.\d{3}Z$/, "Z"),
    tool: "velmar-web",
    operation: "write",
    file: loaded ? loaded.name : "",
    sha256: loaded ? loaded.sha256 : "",
    checksum: loaded ? loaded.checksum : "",
    port: null,
    device: port && port.chosen() ? port.deviceName() : "",
    description: port && port.chosen() ? port.makerName() : "",
    loader: loader === 0 ? "1.05" : "1.06",
    result: null,
    seconds: null,
    blocks_written: null,
    blocks_total: loaded ? loaded.blocks : 0,
  };
}

// "" when the line was kept, else why not: the record is the bench's, not part of the rewrite,
// so a full or blocked browser storage is only told under the message.
function appendRecordLine(line) {
  try {
    localStorage.setItem(kRecordsKey, (localStorage.getItem(kRecordsKey) ?? "") + JSON.stringify(line) + "\n");
    return "";
  } catch (error) {
    return error.message;
  }
}

// While its tab rewrites, a run holds a lock named after it; the browser lets go of it when that
// tab ends, however it ends. So another tab (or this one reloaded) tells a run still going from
// one that was cut off.
const kRunLockPrefix = "velmar-writer.run.";

// Resolves, once the lock is held, to the function that lets it go.
function holdRunLock(run) {
  if (!navigator.locks) return Promise.resolve(() => {});
  return new Promise((held) => {
    navigator.locks.request(kRunLockPrefix + run, () => new Promise((release) => held(release)));
  });
}

// A run's own tab holds its lock alone; tabs waiting for its end take it shared, for a moment.
async function runsGoingOn() {
  const held = navigator.locks ? (await navigator.locks.query()).held : [];
  const going = held.filter((lock) => lock.mode === "exclusive" && lock.name.startsWith(kRunLockPrefix));
  return new Set(going.map((lock) => lock.name.slice(kRunLockPrefix.length)));
}

// The records are shown again when a run going on in another tab ends without a line (its tab
// closed): waiting for its lock is the only word of that.
const watchedRuns = new Set();
function showRecordsWhenEnded(run) {
  if (watchedRuns.has(run)) return;
  watchedRuns.add(run);
  navigator.locks.request(kRunLockPrefix + run, { mode: "shared" }, () => {}).then(() => {
    watchedRuns.delete(run);
    showRecords();
  });
}

async function beginRecord(loader) {
  const started = performance.now();
  const record = newRecord(loader);
  record.run = crypto.randomUUID();
  // Held before the line is written, so no tab reads the line as cut off.
  const release = await holdRunLock(record.run);
  const problem = appendRecordLine({ ...record, phase: "begin" });
  // Without its begin line the end is written whole, so no reader waits for a line not there.
  if (problem) delete record.run;
  return { record, problem, started, release };
}

// `begun` from beginRecord, or null for a rewrite refused before anything was sent: one whole line.
function finishRecord(begun, loader, result, device, blocksWritten) {
  const { record, problem: beginProblem, started } = begun ?? { record: newRecord(loader), problem: "", started: performance.now() };
  const kept = { ...record, device: device || record.device, result, blocks_written: blocksWritten };
  kept.seconds = Math.round(performance.now() - started) / 1000;
  const problem = appendRecordLine(kept.run ? { ...kept, phase: "end" } : kept) || beginProblem;
  begun?.release();
  showRecords();
  return { kept, problem };
}

function storedLines() {
  return (localStorage.getItem(kRecordsKey) ?? "")
    .split("\n")
    .filter((line) => line.trim() !== "")
    .flatMap((line) => {
      try {
        return [JSON.parse(line)];
      } catch {
        return [];
      }
    });
}

// One record per rewrite, in the order the rewrites began: an end line takes its begin line's
// place (the latest end of a run counts); an end line whose begin line is gone stands where it is.
function storedRecords() {
  const lines = storedLines();
  const ends = new Map();
  const begun = new Set();
  for (const line of lines) {
    if (!line.run) continue;
    if (line.phase === "begin") begun.add(line.run);
    else ends.set(line.run, line);
  }
  return lines.flatMap((line) => {
    if (!line.run) return [line];
    if (line.phase === "begin") return [ends.get(line.run) ?? line];
    return begun.has(line.run) ? [] : [line];
  });
}

// Begun and never ended, or quit without a result.
function interrupted(record) {
  return record.phase === "begin" || (record.phase === "end" && record.result === null);
}

let recordsShown = 0;
async function showRecords() {
  const drawing = ++recordsShown;
  const records = storedRecords().reverse();
  const going = await runsGoingOn();
  if (drawing !== recordsShown) return; // a later call draws them
  const body = $("recordTable").tBodies[0];
  body.replaceChildren();
  const word = shownText(texts.interrupted);
  const meaning = `${word}: ${shownText(texts.interruptedMeaning)}`;
  for (const r of records) {
    const row = body.insertRow();
    // A record that only began knows nothing of what came after.
    const begunOnly = r.phase === "begin";
    const running = begunOnly && going.has(r.run);
    if (running) showRecordsWhenEnded(r.run);
    const result = running ? pageWord("running") : interrupted(r) ? word + (r.stage ? ` (${r.stage})` : "") : r.result;
    const blocks = `${begunOnly ? "?" : r.blocks_written} / ${r.blocks_total}`;
    const cells = [r.time, result, r.file, r.checksum, r.port ?? "-", r.device, blocks, begunOnly ? "?" : r.seconds];
    for (const value of cells) row.insertCell().textContent = String(value);
    if (interrupted(r) && !running) row.cells[1].title = meaning;
  }
  $("recordTable").hidden = records.length === 0;
  $("noRecords").hidden = records.length !== 0;
  $("recordsNote").hidden = !records.some((r) => interrupted(r) && !going.has(r.run));
  $("recordsNote").textContent = meaning;
  $("download").disabled = records.length === 0;
}

function downloadRecords() {
  const blob = new Blob([localStorage.getItem(kRecordsKey) ?? ""], { type: "application/jsonl" });
  const link = document.createElement("a");
  link.href = URL.createObjectURL(blob);
  link.download = "service.jsonl";
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

// ---- language ----

function applyLanguage() {
  document.documentElement.lang = language;
  document.title = texts.windowCaption ?? document.title;
  $("caption").textContent = texts.windowCaption ?? "";
  $("cmdMacro").textContent = texts.mainButtonCaption ?? "";
  for (const element of document.querySelectorAll("[data-window]")) element.textContent = windowWord(element.dataset.window);
  for (const element of document.querySelectorAll("[data-page]")) element.textContent = pageWord(element.dataset.page);
  $("language").textContent = pageWord("language");
  $("language").title = pageWord("languageTitle");
  const head = $("recordTable").tHead.rows[0];
  head.replaceChildren();
  for (const column of texts.columns ?? []) head.appendChild(document.createElement("th")).textContent = statusWord(column);
  showPort();
  showUnsupported();
}

function switchLanguage() {
  language = language === "ja" ? "en" : "ja";
  localStorage.setItem(kLanguageKey, language);
  applyLanguage();
  showRecords(); // the interrupted records' words
}

// Without Web Serial nothing that needs a port is offered; the firmware can still be looked at.
function serialMissing() {
  if (!window.isSecureContext) return "notSecure";
  if (!("serial" in navigator)) return "noSerial";
  return null;
}

function showUnsupported() {
  const missing = serialMissing();
  $("unsupported").hidden = missing === null;
  if (missing) $("unsupported").textContent = pageWord(missing);
  for (const id of ["cmdMacro", "choosePort"]) $(id).hidden = missing !== null;
  $("Frame3").hidden = missing !== null;
}

// ---- start ----

async function start() {
  core = await createVelmarCore({ page: pageHooks });
  texts = JSON.parse(core.ccall("velmar_texts", "string", [], []));
  core.FS.mkdir(kFirmwareFolder);
  applyLanguage();
  showRecords();
  $("language").addEventListener("click", switchLanguage);
  $("fileInput").addEventListener("change", async (event) => {
    await loadFromUser(event.target.files[0]);
    event.target.value = "";
  });
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dropping");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dropping"));
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    document.body.classList.remove("dropping");
    loadFromUser(event.dataTransfer.files[0]);
  });
  $("download").addEventListener("click", downloadRecords);
  // Another tab's rewrite begins or ends.
  window.addEventListener("storage", (event) => {
    if (event.key === kRecordsKey) showRecords();
  });

  // The sample firmware beside the page, as the window loads the one beside itself.
  const sample = await fetch(texts.defaultFirmwareName);
  if (sample.ok) await loadFirmware(texts.defaultFirmwareName, new Uint8Array(await sample.arrayBuffer()));
  else showLoaded();

  if (serialMissing() === null) {
    port = new LoaderPort(navigator.serial, showPort);
    core.serialPort = port;
    $("choosePort").addEventListener("click", () => port.choose().catch(() => {}));
    $("cmdMacro").addEventListener("click", rewrite);
    await port.restore();
    showPort();
    $("cmdMacro").disabled = false;
  }
  document.body.dataset.ready = "true";
}

start();
