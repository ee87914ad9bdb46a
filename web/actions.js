// Sending the person's actions to the host, one after another in the order
// they were made, over the tab's own socket or else a POST; typing and
// scrolling are coalesced. A tap names the screen it was made on, so that
// the host refuses it once that screen has moved on; each answer's screen is
// handed to screen.js.

import { access, hostFetch } from './access.js';
import { openLinks } from './events.js';
import { setConnection, showError, hideError } from './notices.js';
import { applyScreen, modelField } from './screen.js';
import { state, TAB } from './state.js';

// Actions go over a WebSocket of this tab's own while it is open: a message
// reaches the host several milliseconds before a fetch would. The host
// answers each one, in order, as it answers a POST. While there is no open
// socket (not yet, the host gone, the address refused) an action is POSTed,
// which also says why it failed, and the socket is opened again for the next.
const actionSocket = { socket: null, waiting: null };

export function openActionSocket() {
  if (actionSocket.socket || state.refused || !access.token || typeof WebSocket !== 'function') return;
  const address = new URL('/api/socket', window.location.href);
  address.protocol = address.protocol === 'https:' ? 'wss:' : 'ws:';
  let socket;
  try {
    socket = new WebSocket(address, ['chimewell', `token.${access.token}`]);
  } catch {
    return;
  }
  actionSocket.socket = socket;
  socket.addEventListener('message', (event) => {
    const waiting = actionSocket.waiting;
    actionSocket.waiting = null;
    waiting?.resolve(event.data);
  });
  socket.addEventListener('close', () => {
    actionSocket.socket = null;
    const waiting = actionSocket.waiting;
    actionSocket.waiting = null;
    waiting?.reject(new Error('the connection closed'));
  });
}

async function post(action) {
  const body = JSON.stringify({ ...action, tab: TAB });
  const socket = actionSocket.socket;
  if (socket && socket.readyState === socket.OPEN) {
    const text = await new Promise((resolve, reject) => {
      actionSocket.waiting = { resolve, reject };
      socket.send(body);
    });
    return JSON.parse(text);
  }
  openActionSocket();
  const response = await hostFetch('/api/action', {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body,
  });
  if (response.status === 403) {
    setConnection('refused');
    return {};
  }
  try {
    return await response.json();
  } catch {
    return { error: `The Settings host answered ${response.status} ${response.statusText}.` };
  }
}

// Actions run one after another, in the order the person made them. An
// action with a coalescing key is queued once; its getters read the latest
// value (text typed, scroll offset) when it is finally sent.
export function send(action, coalesceKey) {
  if (coalesceKey) {
    if (state.waiting.has(coalesceKey)) return state.queue;
    state.waiting.set(coalesceKey, action);
    state.unanswered.set(coalesceKey, (state.unanswered.get(coalesceKey) || 0) + 1);
  }
  state.inFlight += 1;
  if (!BACKGROUND_ACTIONS.has(action.action)) state.events?.postMessage({ type: 'acted' });
  state.queue = state.queue.then(async () => {
    if (coalesceKey) state.waiting.delete(coalesceKey);
    let body = null;
    try {
      body = await post(action);
    } catch (failure) {
      if (!BACKGROUND_ACTIONS.has(action.action)) showError(`The Settings host cannot be reached (${failure.message}).`);
      // A page drawn ahead of an answer that never came goes back to what the host has.
      if (state.ahead !== null && state.message) applyScreen(state.message, true, true);
    }
    // Once answered, the answer's screen knows these keystrokes: it is drawn as it is.
    if (coalesceKey) state.unanswered.set(coalesceKey, state.unanswered.get(coalesceKey) - 1);
    try {
      if (body) answer(action, body);
    } finally {
      state.inFlight -= 1;
    }
  });
  return state.queue;
}

// Whether keystrokes (or a scroll) of this kind are still on their way to
// the host: a screen that arrives meanwhile does not know them yet.
export function onTheWay(coalesceKey) {
  return state.waiting.has(coalesceKey) || state.unanswered.get(coalesceKey) > 0;
}

// A tap names the screen it was made on, typing the page its field is on:
// another tab may have moved the shared screen on before it arrives, and the
// host then refuses it rather than act on something else (409).
export function tap(action) {
  if (!LOOKS_ONLY_TAPS.has(action.action)) state.actedOnPage = true;
  return send({ ...action, host: state.host, screen: state.shownVersion });
}

// Taps that change nothing the page below shows.
const LOOKS_ONLY_TAPS = new Set(['goBack', 'tapSearchBar', 'tapTextField', 'tapSearchCancelButton']);

export function typing(action, coalesceKey) {
  state.actedOnPage = true;
  return send(Object.assign(action, { host: state.host, pageId: state.screen?.pageId }), coalesceKey);
}

// What the page does by itself (telling its height, following a scroll)
// neither shows an error nor clears one: errors are about the person's actions.
const BACKGROUND_ACTIONS = new Set(['setViewportHeight', 'scroll']);

function answer(action, body) {
  openLinks(body.links);
  // A tap that came after this tab's own earlier tap had already changed the
  // page (a double click) is simply dropped: there is no conflict to tell of.
  if (!BACKGROUND_ACTIONS.has(action.action) && !(body.error && body.changedBy === TAB)) {
    if (body.error) showError(body.error, body.screen?.pageId);
    else hideError();
  }
  if (body.screen) applyScreen(body, true, action.action === 'goBack');
}

// A tab closed or reloaded while a row's field is edited ends that editing
// first, so that what was typed is stored: one request carrying the text and
// the end (a separate end could overtake keystrokes still queued), kept
// alive past the page.
export function endEditingOnLeave() {
  const input = document.activeElement;
  const id = input?.dataset?.focus;
  if (!id || !modelField(id)) return;
  hostFetch('/api/action', {
    method: 'POST',
    keepalive: true,
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify({ action: 'endEditing', id, text: input.value, host: state.host, pageId: state.screen?.pageId, tab: TAB }),
  }).catch(() => {});
}
