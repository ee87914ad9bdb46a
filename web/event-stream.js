'use strict';
// One event stream from the Settings host for every tab of this browser.
// A browser opens at most six connections to one host; with a stream per tab
// the sixth tab would take the last one and every request of every tab would
// wait behind the streams. Run as a SharedWorker, this script holds the one
// stream and hands its events to each tab. Where a browser has no
// SharedWorker, a tab runs EventStream itself, for itself alone.
//
// What listeners hear:
//   {type: 'status', status, message}  status: 'connecting', 'open',
//       'reconnecting' (the host went away; trying again), 'unavailable'
//       (the host turned the stream down, with its message; trying again
//       later) or 'refused' (403: the host refused the token; tried again
//       once a tab offers a newer one)
//   {type: 'event', name, data}        a server-sent event ("screen", "busy", "link")
//
// The stream is read with fetch, not EventSource: EventSource sends no
// header for the token, hides the answer's status, and a refusal must stop
// the retries and say why. The worker cannot read the page's storage: every
// tab's hello carries its token, and the newest is used.

class EventStream {
  constructor(url, tell) {
    this.url = url;
    this.tell = tell;
    this.running = false;
    this.token = null;
    this.refusedToken = null;
    this.status = { type: 'status', status: 'connecting' };
  }

  // Takes up the newest token and starts reading unless it is already; after
  // a refusal, only a newer token starts it again.
  offer(token) {
    if (token) this.token = token;
    if (this.running || !this.token || this.token === this.refusedToken) return;
    this.running = true;
    this.run();
  }

  setStatus(status, message) {
    this.status = { type: 'status', status, message };
    this.tell(this.status);
  }

  async run() {
    let delay = 250;
    for (;;) {
      let response = null;
      try {
        response = await fetch(this.url, {
          cache: 'no-store',
          headers: { Accept: 'text/event-stream', Authorization: `token ${this.token}` },
        });
      } catch {
        response = null;
      }
      if (response && response.status === 403) {
        this.refusedToken = this.token;
        this.setStatus('refused', await errorText(response));
        this.running = false;
        return;
      }
      if (response && response.ok) {
        delay = 250;
        this.setStatus('open');
        try {
          await this.read(response.body.getReader());
        } catch {
          // The connection broke; the host is gone or going.
        }
        this.setStatus('reconnecting');
      } else if (response) {
        this.setStatus('unavailable', await errorText(response));
        delay = 5000;
      } else {
        this.setStatus('reconnecting');
      }
      await new Promise((resolve) => setTimeout(resolve, delay));
      delay = Math.min(delay * 2, 2000);
    }
  }

  // Server-sent events: blocks of "field: value" lines ended by a blank line.
  async read(reader) {
    const decoder = new TextDecoder();
    let buffer = '';
    for (;;) {
      const { value, done } = await reader.read();
      if (done) return;
      buffer += decoder.decode(value, { stream: true });
      let end;
      while ((end = buffer.search(/\r?\n\r?\n/)) >= 0) {
        const block = buffer.slice(0, end);
        buffer = buffer.slice(end).replace(/^\r?\n\r?\n/, '');
        this.dispatch(block);
      }
    }
  }

  dispatch(block) {
    let name = 'message';
    const data = [];
    for (const line of block.split(/\r?\n/)) {
      if (line.startsWith(':')) continue;  // a comment that keeps the line open
      const colon = line.indexOf(':');
      const field = colon < 0 ? line : line.slice(0, colon);
      const value = colon < 0 ? '' : line.slice(colon + 1).replace(/^ /, '');
      if (field === 'event') name = value;
      if (field === 'data') data.push(value);
    }
    if (data.length) this.tell({ type: 'event', name, data: data.join('\n') });
  }
}

async function errorText(response) {
  try {
    return (await response.json()).error || `${response.status} ${response.statusText}`;
  } catch {
    return `${response.status} ${response.statusText}`;
  }
}

// As a SharedWorker: one stream, every tab told. The latest status, busy
// state and screen go to a tab as soon as it comes. A link opened outside
// any action goes to one tab only: the one that acted last.
if (typeof SharedWorkerGlobalScope !== 'undefined' && self instanceof SharedWorkerGlobalScope) {
  const tabs = new Set();
  const latest = new Map();  // 'status', 'busy', 'screen' -> the message
  let lastActor = null;
  const stream = new EventStream('/api/events', (message) => {
    if (message.type === 'event' && message.name === 'link') {
      (lastActor || tabs.values().next().value)?.postMessage(message);
      return;
    }
    latest.set(message.type === 'status' ? 'status' : message.name, message);
    for (const tab of tabs) tab.postMessage(message);
  });
  self.addEventListener('connect', (event) => {
    const tab = event.ports[0];
    tab.addEventListener('message', ({ data }) => {
      if (data.type === 'hello') {
        tabs.add(tab);
        for (const message of latest.values()) tab.postMessage(message);
        stream.offer(data.token);
      } else if (data.type === 'bye') {
        tabs.delete(tab);
        if (lastActor === tab) lastActor = null;
      } else if (data.type === 'acted') {
        lastActor = tab;
      }
    });
    tab.start();
  });
}
