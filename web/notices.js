// What the page tells the person beside the pane: the connection's state,
// an error (or a note) belonging to a page, the busy veil and the
// "Loading…" notice of a list that takes a while.

import { openActionSocket } from './actions.js';
import { $, h } from './dom.js';
import { state } from './state.js';

const CONNECTION_TEXTS = {
  reconnecting: () => 'The Settings host has gone away. Reconnecting…',
  unavailable: (message) => `The Settings host cannot take this page now (${message}). Trying again shortly…`,
  refused: () => 'Open the address the Settings host printed: this page cannot open the pane without it.',
};

export function setConnection(status, message) {
  const notice = $('#connection');
  const text = CONNECTION_TEXTS[status];
  if (notice.textContent !== (text ? text(message) : '')) notice.textContent = text ? text(message) : '';
  notice.hidden = !text;
  if (status !== 'open') setBusy(false);
  if (status === 'refused') state.refused = true;
  if (status === 'open') openActionSocket();  // a host that came back takes the next action sooner
}

export function setBusy(busy) {
  document.body.setAttribute('aria-busy', busy ? 'true' : 'false');
}

// An error belongs to the page it was made on and goes when that page does.
// A note (not an error) says something the person did not cause.
export function showError(message, pageId = state.screen?.pageId, note = false) {
  state.errorPage = pageId;
  const banner = $('#banner');
  banner.classList.toggle('note', note);
  banner.replaceChildren(
    h('span', { class: 'banner-text' }, message),
    h('button', { type: 'button', class: 'banner-close', onclick: hideError }, 'Dismiss'),
  );
  banner.hidden = false;
}

export function hideError() {
  $('#banner').hidden = true;
}

// A list that takes a while to gather says so; one that comes within a
// moment shows nothing.
const LOADING_SHOWN_AFTER_MS = 150;
let loadingTimer = null;

export function followLoading(loading) {
  const notice = $('#loading');
  if (!loading) {
    clearTimeout(loadingTimer);
    loadingTimer = null;
    notice.hidden = true;
  } else if (loadingTimer === null && notice.hidden) {
    loadingTimer = setTimeout(() => { notice.hidden = false; }, LOADING_SHOWN_AFTER_MS);
  }
}
