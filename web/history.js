// Back: the pane's Back button and the browser's. The tab's history holds
// our own entry "base" and, while the pane has a page to go back to, one
// entry "top" ahead of it. Back from "top" lands on "base": the pane goes
// back a page, as its Back button does, and "top" is put ahead again if
// there is still a page to go back to. Every tab follows the one navigation
// stack. A page once left is not pushed again by Forward: the page steps back
// to "base" and stays as it is.

import { tap } from './actions.js';
import { render } from './render.js';
import { state } from './state.js';

// Back shows the page below at once, as the phone does, as that page last
// showed, unless something done on this page may have changed it (a sound
// chosen): then the host's answer is awaited. The host's screen follows and
// redraws whatever differs. A tap on
// it names the screen it was drawn from, so the host runs the tap only if
// its element is still as shown. A second Back before the host has answered
// the first waits for the host.
export function goBack() {
  const current = state.screen;
  const below = state.trail[(current?.depth ?? 1) - 2];
  tap({ action: 'goBack' });
  if (!below || state.ahead !== null || current.alert || current.mail || state.actedOnPage) return;
  if (below.screen.pageId !== current.backPageId) return;
  state.ahead = current.pageId;
  state.screen = below.screen;
  state.shownVersion = below.version;
  render(below.screen);
}

const atTop = () => window.history.state?.chimewell === 'top';

export function followHistory(screen) {
  if (state.quietBack) return;  // until that step is done, history.state is the old one
  if (screen.depth > 1 && !atTop()) {
    window.history.pushState({ chimewell: 'top' }, '');
  } else if (screen.depth <= 1 && atTop()) {
    state.quietBack = true;
    window.history.back();
  }
}

export function onHistoryStep() {
  if (state.quietBack) {
    state.quietBack = false;
    followHistory(state.screen ?? { depth: 1 });  // a screen may have come meanwhile
    return;
  }
  // The answer's screen puts "top" ahead again if there is still a page to go back to.
  if (!atTop() && (state.screen?.depth ?? 1) > 1) {
    goBack();
    return;
  }
  followHistory(state.screen ?? { depth: 1 });
}
