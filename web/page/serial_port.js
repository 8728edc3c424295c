// The radio's port for the core's serial control: Web Serial's promise-and-stream port turned
// into what the loader steps use (open with settings, queued output, a count of waiting bytes,
// read all waiting bytes) plus the wake-up the reply wait sleeps on. The numbers returned to the
// core are its fault codes (web/web_serial_control.cpp).

const kFault = { none: 0, noPort: 1, busy: 2, removed: 3, settings: 4, other: 5 };

// One turn of the page's event loop, without the 4 ms floor nested timeouts get.
function nextTurn() {
  return new Promise((resolve) => {
    const channel = new MessageChannel();
    channel.port1.onmessage = () => resolve();
    channel.port2.postMessage(0);
  });
}

// Makers of USB serial adapters often found in programming cables, for the port's name.
const kMakers = {
  0x0403: "FTDI",
  0x067b: "Prolific",
  0x10c4: "Silicon Labs",
  0x1a86: "WCH",
  0x2341: "Arduino",
};

function hex4(value) {
  return value.toString(16).toUpperCase().padStart(4, "0");
}

export class LoaderPort {
  // `serial`: navigator.serial (or a stand-in). `onChange` is called when the port is chosen,
  // plugged or unplugged.
  constructor(serial, onChange) {
    this.serial = serial;
    this.onChange = onChange;
    this.port = null;
    this.connected = false;
    this.resetLine();
    serial.addEventListener("disconnect", (event) => {
      if (event.target !== this.port && event.port !== this.port) return;
      this.connected = false;
      this.lose("the adapter was removed");
      this.onChange();
    });
    serial.addEventListener("connect", (event) => {
      // A re-plugged adapter comes back as a new port object; take it when it is the only one.
      const port = event.port ?? event.target;
      if (this.port === null || !this.connected) {
        this.port = port;
        this.connected = true;
        this.onChange();
      }
    });
  }

  resetLine() {
    this.chunks = [];
    this.size = 0;
    this.faultCode = kFault.none;
    this.faultMessage = "";
    this.pending = false;
    this.reader = null;
    this.writer = null;
    this.readLoop = null;
    this.closing = false;
    this.isOpen = false;
  }

  // A port granted earlier (the browser remembers it per site) is taken again at start.
  async restore() {
    const ports = await this.serial.getPorts();
    if (ports.length > 0) {
      this.port = ports[ports.length - 1];
      this.connected = true;
      this.onChange();
    }
  }

  // The browser's own chooser; false when the technician closed it without choosing.
  async choose() {
    try {
      this.port = await this.serial.requestPort();
    } catch (error) {
      if (error.name === "NotFoundError") return false;
      throw error;
    }
    this.connected = true;
    this.onChange();
    return true;
  }

  chosen() {
    return this.port !== null;
  }

  deviceName() {
    if (this.port === null) return "";
    const info = this.port.getInfo();
    if (info.usbVendorId === undefined) return "serial port";
    return `USB ${hex4(info.usbVendorId)}:${hex4(info.usbProductId ?? 0)}`;
  }

  makerName() {
    const info = this.port ? this.port.getInfo() : {};
    return kMakers[info.usbVendorId] ?? "";
  }

  async open(options) {
    const port = this.port;
    this.resetLine();
    if (port === null) return this.fail(kFault.noPort, "no port chosen");
    // An unplugged adapter's port object is dead; plugged in again, it comes back as a new one.
    if (!this.connected) return this.fail(kFault.removed, "the adapter was removed");
    try {
      await port.open(options);
    } catch (error) {
      return this.fail(openFault(error), error.message);
    }
    try {
      // Many programming cables draw their power from DTR and RTS.
      await port.setSignals({ dataTerminalReady: true, requestToSend: true });
    } catch {
      // A port without the lines is used as it is.
    }
    this.isOpen = true;
    this.writer = port.writable.getWriter();
    this.readLoop = this.readAll(port);
    return kFault.none;
  }

  async readAll(port) {
    // Framing, parity, overrun and break errors leave the port a new stream to read; an
    // adapter that went away leaves none.
    while (!this.closing && port.readable) {
      this.reader = port.readable.getReader();
      try {
        for (;;) {
          const { value, done } = await this.reader.read();
          if (done) break;
          if (value.length > 0) {
            this.chunks.push(value);
            this.size += value.length;
            this.wakeUp();
          }
        }
      } catch (error) {
        if (!this.closing && !port.readable) this.lose(error.message);
      } finally {
        this.reader.releaseLock();
        this.reader = null;
      }
    }
    if (!this.closing && this.faultCode === kFault.none) this.lose("the port stopped reading");
  }

  async close() {
    const port = this.port;
    if (!this.isOpen) return;
    this.closing = true;
    if (this.reader !== null) await this.reader.cancel().catch(() => {});
    await this.readLoop;
    // Output still queued goes out before the port closes.
    if (this.writer !== null) this.writer.releaseLock();
    await port.close().catch(() => {});
    this.isOpen = false;
    this.chunks = [];
    this.size = 0;
  }

  write(bytes) {
    if (this.faultCode !== kFault.none) return this.faultCode;
    this.writer.write(bytes).catch((error) => {
      if (!this.closing) this.lose(error.message);
    });
    return kFault.none;
  }

  count() {
    return this.size;
  }

  take(most) {
    const bytes = new Uint8Array(Math.min(most, this.size));
    let at = 0;
    while (at < bytes.length) {
      const chunk = this.chunks[0];
      const part = Math.min(chunk.length, bytes.length - at);
      bytes.set(chunk.subarray(0, part), at);
      at += part;
      if (part === chunk.length) this.chunks.shift();
      else this.chunks[0] = chunk.subarray(part);
    }
    this.size -= bytes.length;
    return bytes;
  }

  fault() {
    return this.faultCode;
  }

  faultText() {
    return this.faultMessage;
  }

  // Ends at once (at the next turn of the event loop) when bytes came or the line broke since
  // the last wait, else when they do or `milliseconds` have passed.
  waitForInput(milliseconds) {
    if (this.pending || this.faultCode !== kFault.none) {
      this.pending = false;
      return nextTurn();
    }
    return new Promise((resolve) => {
      const timer = setTimeout(() => this.wakeUp(), milliseconds);
      this.wake = () => {
        clearTimeout(timer);
        resolve();
      };
    });
  }

  wakeUp() {
    const wake = this.wake;
    this.wake = null;
    if (wake) wake();
    else this.pending = true;
  }

  lose(message) {
    if (this.faultCode === kFault.none) {
      this.faultCode = kFault.removed;
      this.faultMessage = message;
    }
    this.wakeUp();
  }

  fail(code, message) {
    this.faultCode = code;
    this.faultMessage = message;
    return code;
  }
}

function openFault(error) {
  switch (error.name) {
    case "NotFoundError":
      return kFault.noPort;
    // Another program (or another tab) holds the port.
    case "NetworkError":
    case "InvalidStateError":
      return kFault.busy;
    case "TypeError":
      return kFault.settings;
    default:
      return kFault.other;
  }
}
