// The list's scroller: the browser scrolls and the host follows; a new page,
// or a scroll the host made itself, starts where the host has it. The page
// tells the host its viewport height.

import { send, onTheWay } from './actions.js';
import { $ } from './dom.js';
import { state } from './state.js';

// The browser scrolls; the host follows. A new page starts where the host
// has it, and so does a scroll the host made itself.
export function followModel(screen, newPage) {
  const content = $('#content');
  const offset = screen.table ? screen.table.contentOffset : 0;
  if (newPage || (offset !== state.modelOffset && !onTheWay('scroll') && Math.abs(content.scrollTop - offset) > 1)) {
    content.scrollTop = offset;
  }
  state.pageKey = `${state.host}:${screen.pageId}`;
  state.modelOffset = offset;
  // Measured in the next frame, where the browser lays out anyway: measuring
  // now would lay the page out a second time before the click's frame.
  requestAnimationFrame(tellViewport);
}

export function tellViewport() {
  const table = state.screen?.table;
  // Under an alert or the mail sheet the page cannot be acted on; tell it later.
  if (!table || state.screen.alert || state.screen.mail) return;
  const height = Math.round($('#content').clientHeight);
  if (height <= 0 || Math.abs(table.viewportHeight - height) < 1) return;
  if (state.sentViewport.get(state.pageKey) === height) return;
  state.sentViewport.set(state.pageKey, height);
  send({ action: 'setViewportHeight', height }, 'viewport');
}

export function onScroll() {
  if (state.rendering || state.screen?.alert || state.screen?.mail) return;
  send({ action: 'scroll', get offset() { return $('#content').scrollTop; } }, 'scroll');
}
