// The Settings stand-in's screen in the browser: the page's entry. It draws
// the screen model the host sends and sends each user action back; the host
// holds every state, shared by every tab of every browser. The page keeps
// only what a person is in the middle of between two screens: the text in an
// alert's fields and in the mail sheet, the focus and the caret. What the
// host sends, and the names of its kinds, are listed in src/host/ScreenJson.h.
// This module owns the start: it takes the token off the address, hangs the
// page's listeners on the document and asks for the first screen. The page's
// concerns live one to a module beside it (plain ES modules, no build step).

import { firstScreen, tokenKeptElsewhere } from './access.js';
import { openActionSocket, send, endEditingOnLeave } from './actions.js';
import { setAudioState, unblockAudio } from './audio.js';
import { $ } from './dom.js';
import { listen } from './events.js';
import { onGridFocus, onGridKey } from './grid.js';
import { onHistoryStep } from './history.js';
import { onEscape } from './modal.js';
import { setConnection, showError } from './notices.js';
import { applyScreen } from './screen.js';
import { tellViewport, onScroll } from './scroller.js';

async function start() {
  // The address the host printed carries its access token: it leaves the
  // address bar, but the browser's history has recorded the address, which
  // opens the pane again and again until --new-token retires it. ?push=CLASS
  // pushes an exported page, as a link into the pane would; a reload does not
  // push it again.
  const query = new URLSearchParams(window.location.search);
  const offered = query.get('token');
  const pushes = query.getAll('push');
  query.delete('push');
  query.delete('token');
  const kept = query.toString();
  window.history.replaceState({ chimewell: 'base' }, '', `${window.location.pathname}${kept ? `?${kept}` : ''}${window.location.hash}`);
  setAudioState('idle');
  document.addEventListener('pointerdown', unblockAudio, true);
  document.addEventListener('keydown', unblockAudio, true);
  $('#content').addEventListener('scroll', onScroll, { passive: true });
  window.addEventListener('resize', tellViewport);
  window.addEventListener('popstate', onHistoryStep);
  window.addEventListener('pagehide', endEditingOnLeave);
  document.addEventListener('keydown', onEscape);
  window.addEventListener('storage', tokenKeptElsewhere);
  document.addEventListener('keydown', onGridKey);
  // The focus a page moves by itself shows its ring to keyboard users only.
  document.addEventListener('pointerdown', () => { document.body.dataset.input = 'pointer'; }, true);
  document.addEventListener('keydown', () => { document.body.dataset.input = 'keys'; }, true);
  $('#content').addEventListener('focusin', onGridFocus);
  try {
    const response = await firstScreen(offered);
    if (!response) {
      setConnection('refused');
      return;
    }
    listen();
    openActionSocket();
    applyScreen(await response.json(), true);
  } catch (failure) {
    listen();  // the stream tries on, and brings the screen once the host is back
    showError(`The Settings host cannot be reached (${failure.message}).`);
  }
  for (const name of pushes) send({ action: 'push', class: name });
}

start();
