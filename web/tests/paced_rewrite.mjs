// A paced rewrite of the sample through the page, the serial double and the bridge: the radio
// takes each byte's real line time, and the page's time from the confirmation to the final
// message (the service record's seconds) is set against the line-time floor, every byte of
// every frame and reply at 10 bits per byte at its line speed, as bench/rewrite_benchmark.sh
// counts it for velmar-fw. Prints the figures; checks nothing.
// Usage: node paced_rewrite.mjs SITE_DIR BIN_DIR OUT_DIR
import { mkdirSync, readFileSync } from "node:fs";
import { join, resolve } from "node:path";
import { closeMessage, openPage, rewrite, startBrowser, startRadio, stopRadio, storedLog } from "./harness.mjs";

const [site, bin, out] = process.argv.slice(2).map((path) => resolve(path));
mkdirSync(out, { recursive: true });

function lineFloor(log) {
  let seconds = 0;
  let baud = 0;
  for (const line of log.split("\n")) {
    const frame = / frame \d+ .* (\d+) bytes at (\d+) baud/.exec(line);
    const reply = /^ {2}reply (\d+) bytes/.exec(line);
    if (frame) {
      baud = Number(frame[2]);
      seconds += (Number(frame[1]) * 10) / baud;
    } else if (reply) {
      seconds += (Number(reply[1]) * 10) / baud;
    }
  }
  return seconds;
}

const session = await startBrowser(site, out);
const { radio, device } = await startRadio(bin, out, ["--pace"]);
session.bridge.device = device;
try {
  const page = await openPage(session);
  const said = await rewrite(page, async () => {}, 600);
  await closeMessage(page);
  // The rewrite's end line.
  const record = JSON.parse((await storedLog(page)).trim().split("\n").pop());
  await stopRadio(radio);
  const log = readFileSync(join(out, "traffic.log"), "utf8");
  const floor = lineFloor(log);
  const frames = log.split("\n").filter((line) => / frame \d+ /.test(line)).length;
  console.log(`${said.text} (${record.blocks_written} blocks)`);
  console.log(`  ${frames} frames; line-time floor ${floor.toFixed(3)} s`);
  console.log(`  page ${record.seconds.toFixed(3)} s from the confirmation to the message: ${(record.seconds / floor).toFixed(4)} x the floor`);
  const trips = session.bridge.roundTrips.sort((a, b) => a - b);
  const at = (share) => trips[Math.min(trips.length - 1, Math.floor(trips.length * share))].toFixed(1);
  console.log(`  from a reply's last bytes to the next frame through the browser: median ${at(0.5)} ms, 90 % ${at(0.9)} ms, most ${at(1)} ms`);
} finally {
  await stopRadio(radio);
  await session.close();
}
