// The page's download and start-up figures: each file's size as served and gzip-compressed,
// and the time from navigation to a page ready for the technician (core compiled, sample
// loaded and summed, controls shown), over RUNS loads from localhost in fresh browser contexts
// with the cache off. Prints the figures; checks nothing.
// Usage: node page_figures.mjs SITE_DIR OUT_DIR [RUNS]
import { readdirSync, readFileSync } from "node:fs";
import { join, resolve } from "node:path";
import { gzipSync } from "node:zlib";
import { startBrowser } from "./harness.mjs";

const [site, out] = process.argv.slice(2, 4).map((path) => resolve(path));
const runs = Number(process.argv[4] ?? 5);

let total = 0;
let totalGzip = 0;
for (const name of readdirSync(site).sort()) {
  const bytes = readFileSync(join(site, name));
  const gzip = gzipSync(bytes, { level: 9 }).length;
  total += bytes.length;
  totalGzip += gzip;
  console.log(`${name.padEnd(28)} ${String(bytes.length).padStart(8)} bytes, gzip ${String(gzip).padStart(7)}`);
}
console.log(`${"all".padEnd(28)} ${String(total).padStart(8)} bytes, gzip ${String(totalGzip).padStart(7)}`);

const session = await startBrowser(site, out);
const times = [];
try {
  for (let run = 0; run < runs; ++run) {
    const context = await session.browser.createBrowserContext();
    const page = await context.newPage();
    await page.setCacheEnabled(false);
    await page.goto(`${session.bridge.url}index.html`);
    await page.waitForSelector("body[data-ready]", { timeout: 30000 });
    times.push(await page.evaluate(() => performance.now()));
    await context.close();
  }
} finally {
  await session.close();
}
times.sort((a, b) => a - b);
console.log(`ready for the technician after ${times.map((t) => t.toFixed(0)).join(", ")} ms (median ${times[times.length >> 1].toFixed(0)} ms)`);
