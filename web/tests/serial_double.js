// Stands in for navigator.serial in the browser tests: no automation can pick a device in the
// browser's port chooser. It behaves as Chrome's Web Serial does where the page relies on it
// (open refuses an open port, close refuses locked streams and flushes what was written, a lost
// device errors the readable stream, leaves no readable and fires "disconnect" for the port on
// navigator.serial), and carries the bytes over a WebSocket to the bridge, which opens the
// virtual radio's pseudo-terminal at the speed open() was given.
// Installed with installSerialDouble(url) before the page's own scripts run.
function installSerialDouble(bridgeUrl) {
  const lost = () => new DOMException("The device has been lost.", "NetworkError");

  class SerialDouble extends EventTarget {
    constructor() {
      super();
      this.granted = false;
      this.port = new PortDouble(this);
    }
    async getPorts() {
      return this.granted ? [this.port] : [];
    }
    async requestPort() {
      this.granted = true;
      return this.port;
    }
  }

  class PortDouble extends EventTarget {
    constructor(serial) {
      super();
      this.serial = serial;
      this.readable = null;
      this.writable = null;
      this.socket = null;
      this.gone = false;
      this.opens = [];
      this.signalsSet = [];
    }
    getInfo() {
      return { usbVendorId: 0x0403, usbProductId: 0x6001 };
    }
    async open(options) {
      if (this.readable || this.writable) throw new DOMException("The port is already open.", "InvalidStateError");
      if (this.gone) throw new DOMException("Failed to open serial port.", "NetworkError");
      const socket = new WebSocket(bridgeUrl);
      socket.binaryType = "arraybuffer";
      await new Promise((resolve, reject) => {
        socket.onopen = resolve;
        socket.onerror = () => reject(new DOMException("Failed to open serial port.", "NetworkError"));
      });
      socket.send(JSON.stringify({ open: options }));
      const answer = await new Promise((resolve) => {
        socket.onmessage = (message) => resolve(JSON.parse(message.data));
      });
      if (answer.error) {
        socket.close();
        throw new DOMException("Failed to open serial port.", "NetworkError");
      }
      this.opens.push(options.baudRate);
      this.socket = socket;
      let source;
      this.readable = new ReadableStream({
        start: (controller) => (source = controller),
        cancel: () => {},
      });
      this.source = source;
      socket.onmessage = (message) => {
        if (typeof message.data === "string") {
          if (JSON.parse(message.data).lost) this.lose();
        } else if (this.readable) {
          source.enqueue(new Uint8Array(message.data));
        }
      };
      this.writable = new WritableStream({
        write: (chunk) => {
          if (this.gone) throw lost();
          socket.send(chunk);
        },
      });
    }
    async setSignals(signals) {
      if (!this.socket) throw new DOMException("The port is closed.", "InvalidStateError");
      this.signalsSet.push(signals.dataTerminalReady && signals.requestToSend);
      this.socket.send(JSON.stringify({ signals }));
    }
    async close() {
      if (!this.readable && !this.writable) throw new DOMException("The port is already closed.", "InvalidStateError");
      if (this.readable?.locked || this.writable?.locked)
        throw new TypeError("Failed to execute 'close' on 'SerialPort': Cannot cancel a locked stream");
      if (this.writable && !this.gone) await this.writable.close();
      if (this.readable && !this.gone) await this.readable.cancel();
      this.readable = null;
      this.writable = null;
      this.socket?.close();
      this.socket = null;
    }
    lose() {
      this.gone = true;
      const source = this.source;
      this.readable = null;
      try {
        source.error(lost());
      } catch {}
      // Chrome's disconnect event reaches navigator.serial with the port as its target.
      const event = new Event("disconnect");
      Object.defineProperty(event, "target", { value: this });
      this.serial.dispatchEvent(event);
    }
  }

  Object.defineProperty(Navigator.prototype, "serial", { value: new SerialDouble(), configurable: true });
}
