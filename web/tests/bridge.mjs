// The browser tests' bridge: serves the page's folder on localhost and, at /radio, takes the
// serial double's WebSocket to velmar-radio's pseudo-terminal. Each open() sets the line's speed
// from the double's options first (as stty does, on the pseudo-terminal whose speed the radio reads), so
// the radio judges every step's speed as it does for the desktop programs; the radio's hang-up
// reaches the page as a lost device.
import { spawn } from "node:child_process";
import { createReadStream, constants, openSync, closeSync, write } from "node:fs";
import { createServer } from "node:http";
import { extname, join, normalize } from "node:path";
import { createInterface } from "node:readline";
import tty from "node:tty";

const kTypes = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".wasm": "application/wasm",
  ".json": "application/json",
};

function serveFile(root, request, response) {
  const path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
  const file = join(root, path === "/" ? "index.html" : path);
  if (!file.startsWith(root)) {
    response.writeHead(403).end();
    return;
  }
  const stream = createReadStream(file);
  stream.on("open", () => {
    response.writeHead(200, { "Content-Type": kTypes[extname(file)] ?? "application/octet-stream" });
    stream.pipe(response);
  });
  stream.on("error", () => response.writeHead(404).end());
}

// Sets a line's speed as `stty -F DEVICE SPEED` does, through one helper kept running: a process
// started for each open took 25 to 250 ms, which a browser's own open does not, and that time
// counted against the paced rewrite.
const kSetSpeed = `
import json, os, sys, termios
for line in sys.stdin:
    device, baud = json.loads(line)
    try:
        fd = os.open(device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            attributes = termios.tcgetattr(fd)
            attributes[4] = attributes[5] = getattr(termios, "B%d" % baud)
            termios.tcsetattr(fd, termios.TCSANOW, attributes)
        finally:
            os.close(fd)
        print("ok", flush=True)
    except Exception as error:
        print(error, flush=True)
`;

function startSpeedSetter() {
  const helper = spawn("python3", ["-c", kSetSpeed], { stdio: ["pipe", "pipe", "inherit"] });
  const waiting = [];
  createInterface({ input: helper.stdout }).on("line", (line) => waiting.shift()(line));
  return {
    set: (device, baud) =>
      new Promise((resolve, reject) => {
        waiting.push((line) => (line === "ok" ? resolve() : reject(new Error(line))));
        helper.stdin.write(JSON.stringify([device, baud]) + "\n");
      }),
    close: () => helper.kill(),
  };
}

// One open of the port: the pseudo-terminal at the speed asked for, until the page closes it.
// `bridge.roundTrips` gathers the milliseconds from the last bytes passed to the page to the
// page's next bytes (the reply's end to the next frame, for the paced rewrite's figures).
function carry(socket, device, bridge) {
  let lastToPage = null;
  let line = null;
  let reader = null;
  const end = () => {
    reader?.destroy();
    if (line !== null) closeSync(line);
    line = null;
  };
  socket.on("message", async (data, isBinary) => {
    if (isBinary) {
      if (lastToPage !== null) bridge.roundTrips.push(performance.now() - lastToPage);
      lastToPage = null;
      if (line !== null) write(line, data, () => {});
      return;
    }
    const message = JSON.parse(data.toString());
    if (!message.open) return; // the DTR and RTS lines: a pseudo-terminal has none
    try {
      await bridge.speeds.set(device, message.open.baudRate);
      line = openSync(device, constants.O_RDWR | constants.O_NOCTTY | constants.O_NONBLOCK);
      reader = new tty.ReadStream(openSync(device, constants.O_RDONLY | constants.O_NOCTTY | constants.O_NONBLOCK));
      reader.on("data", (bytes) => {
        lastToPage = performance.now();
        socket.send(bytes);
      });
      const hangUp = () => {
        if (socket.readyState === socket.OPEN) socket.send(JSON.stringify({ lost: true }));
        end();
      };
      reader.on("error", hangUp);
      reader.on("end", hangUp);
      socket.send(JSON.stringify({ opened: true }));
    } catch (error) {
      socket.send(JSON.stringify({ error: String(error) }));
    }
  });
  socket.on("close", end);
}

// Serves `root` and carries /radio to `device` (which may change between tests).
export async function startBridge(root, WebSocketServer) {
  const bridge = { device: null, roundTrips: [], speeds: startSpeedSetter() };
  const server = createServer((request, response) => serveFile(root, request, response));
  const sockets = new WebSocketServer({ server, path: "/radio" });
  sockets.on("connection", (socket) => carry(socket, bridge.device, bridge));
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  const { port } = server.address();
  bridge.url = `http://127.0.0.1:${port}/`;
  bridge.radioUrl = `ws://127.0.0.1:${port}/radio`;
  bridge.close = () => {
    bridge.speeds.close();
    for (const socket of sockets.clients) socket.terminate();
    return new Promise((resolve) => server.close(resolve));
  };
  return bridge;
}
