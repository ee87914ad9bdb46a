// The event stream, one for every tab of this browser (event-stream.js, run
// as a SharedWorker, or in this tab where there is none): screens, the busy
// flag, links to open and the stream's own status.

import { access } from './access.js';
import { h } from './dom.js';
import { setConnection, setBusy } from './notices.js';
import { applyScreen } from './screen.js';
import { state } from './state.js';

// Every link this tab opened, in order: for people and for tests.
window.chimewellLinks = [];

// Every hello carries the tab's token: the stream uses the newest.
export function listen() {
  if (state.events) {
    state.events.postMessage({ type: 'hello', token: access.token });
    return;
  }
  if (access.ownStream) {
    access.ownStream.offer(access.token);
    return;
  }
  if (typeof SharedWorker === 'function') {
    try {
      const worker = new SharedWorker('event-stream.js', { name: 'chimewell-events' });
      const port = worker.port;
      port.addEventListener('message', (event) => heard(event.data));
      port.start();
      port.postMessage({ type: 'hello', token: access.token });
      window.addEventListener('pagehide', () => port.postMessage({ type: 'bye' }));
      window.addEventListener('pageshow', (event) => {
        if (event.persisted) port.postMessage({ type: 'hello', token: access.token });
      });
      state.events = port;
      return;
    } catch {
      // Not allowed here: this tab holds a stream of its own.
    }
  }
  const script = h('script', { src: 'event-stream.js' });
  script.addEventListener('load', () => {
    access.ownStream = new EventStream('/api/events', heard);
    access.ownStream.offer(access.token);
  });
  document.head.append(script);
}

function heard(message) {
  if (message.type === 'status') {
    setConnection(message.status, message.message);
    return;
  }
  const data = JSON.parse(message.data);
  if (message.name === 'screen') applyScreen(data, false);
  else if (message.name === 'busy') setBusy(data);
  else if (message.name === 'link') openLinks([data]);
}

export function openLinks(links) {
  for (const link of links || []) {
    if (state.openedLinks.has(link.sequence)) continue;
    state.openedLinks.add(link.sequence);
    window.chimewellLinks.push(link.url);
    if (/^(https?|mailto):/i.test(link.url)) window.open(link.url, '_blank', 'noopener');
  }
}
