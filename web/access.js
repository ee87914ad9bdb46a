// The connection's credential: the access token this tab offers the host,
// where the page keeps it, and fetch() with it attached.

import { openActionSocket } from './actions.js';
import { listen } from './events.js';
import { state } from './state.js';

// The access token. The address the host printed carries it (?token=); the
// page keeps it in this origin's storage, which no page of another port
// reads, and sends it with every request: a header on fetches, a
// subprotocol on the socket (which can send no header), a message to the
// shared event stream. One from the address replaces the kept one only once
// the host has taken it; a tab that keeps a newer one tells the others.
const TOKEN_KEY = 'chimewell-token';
export const access = { token: null, ownStream: null };

function keptToken() {
  try {
    return localStorage.getItem(TOKEN_KEY);
  } catch {
    return null;
  }
}

export function hostFetch(url, init = {}) {
  const headers = { ...init.headers };
  if (access.token) headers.Authorization = `token ${access.token}`;
  return fetch(url, { ...init, headers });
}

// The screen, asked with the address's token and then the kept one; the
// first the host takes is kept. Its answer, or none when no token is taken.
export async function firstScreen(offered) {
  const kept = keptToken();
  for (const token of new Set([offered, kept].filter(Boolean))) {
    access.token = token;
    const response = await hostFetch('/api/screen');
    if (response.status === 403) continue;
    if (token !== kept) {
      try {
        localStorage.setItem(TOKEN_KEY, token);
      } catch {
        // Not kept: this tab carries on with it alone.
      }
    }
    return response;
  }
  access.token = null;
  return null;
}

// Another tab kept a newer token: this one takes it up and tries again.
export function tokenKeptElsewhere(event) {
  if (event.key !== TOKEN_KEY || !event.newValue || event.newValue === access.token) return;
  access.token = event.newValue;
  state.refused = false;
  listen();
  openActionSocket();
}
