// What the page keeps between two screens, shared by its modules: the host
// instance and screen on show, the actions on their way, the drafts of an
// alert or the mail sheet, the focus to give back, and this tab's name. The
// host holds every other state; its screens arrive through screen.js.

export const state = {
  host: null,  // the host instance whose screens the page shows
  retiredHosts: new Set(),  // earlier instances: whatever they still send is old
  version: 0,  // the newest screen the host sent
  message: null,  // that screen's message
  shownVersion: 0,  // the screen on show: the newest, or the page below drawn ahead of a Back
  ahead: null,  // the page left, while the page below is drawn ahead of the host's answer to a Back
  trail: [],  // depth - 1 -> the message of the page last on top at that depth
  screen: null,
  refused: false,  // the host refused this address: no more tries
  pageKey: null,
  modelOffset: null,
  sentViewport: new Map(),  // page -> viewport height told to the host
  openedLinks: new Set(),  // sequences of the links this tab opened
  queue: Promise.resolve(),
  waiting: new Map(),  // coalescing key -> action queued but not yet sent
  unanswered: new Map(),  // coalescing key -> how many of its actions await their answer
  inFlight: 0,
  alertKey: null,
  alertDrafts: new Map(),
  mailKey: null,
  mailDraft: null,
  modalReturn: null,  // the control (its data-key) that had the focus when an alert or the sheet came
  currentRow: null,  // the list row in the tab order (roving tabindex), by id
  pendingRow: null,  // {id, tries}: a row the keyboard moved to, focused once the host has drawn it
  arriving: false,  // a new page whose list's rows have not come yet: they take the focus when they do
  actedOnPage: false,  // a tap or typing may have changed what the page below shows
  errorPage: null,  // the page an error was shown on; the error goes with it
  events: null,  // the port of the shared event stream, when there is one
  drawn: {},  // part of the page -> the model it was drawn from
  rendering: false,
  quietBack: false,  // the page itself stepped back in the tab's history
};

// This tab's name for the host: a sound preview plays in the tab whose tap
// started it, as a link opens there.
export const TAB = (crypto.randomUUID && crypto.randomUUID()) || `${Date.now()}-${Math.random().toString(16).slice(2)}`;
