// An alert or the mail sheet over the page: drawn with the person's drafts,
// given the focus when it comes, Escape as its cancel button, and the focus
// back to its opener when it goes.

import { tap } from './actions.js';
import { $, h } from './dom.js';
import { arrive } from './focus.js';
import { state } from './state.js';

// An alert or the mail sheet takes the focus when it comes; the control that
// opened it gets it back when it goes.
export function renderModal(screen, focus) {
  const layer = $('#modal');
  const wasOpen = layer.classList.contains('open');
  let dialog = null;
  if (screen.alert) dialog = alertView(screen.alert);
  else if (screen.mail) dialog = mailView(screen.mail);
  if (!screen.alert) state.alertKey = null;
  if (!screen.mail) state.mailKey = null;
  if (dialog && !wasOpen) state.modalReturn = focus.control;
  layer.replaceChildren(...(dialog ? [dialog] : []));
  layer.classList.toggle('open', Boolean(dialog));
  $('.app').inert = Boolean(dialog);
  if (dialog?.hasAttribute('data-fresh')) {
    dialog.removeAttribute('data-fresh');
    (dialog.querySelector('[data-first]') || dialog.querySelector('input, button'))?.focus();
  }
  if (!dialog && wasOpen) {
    const opener = state.modalReturn && document.querySelector(`[data-key="${CSS.escape(state.modalReturn)}"]`);
    state.modalReturn = null;
    if (opener) opener.focus({ preventScroll: true });
    else arrive();
  }
}

// Escape does what the cancel button does, as on a keyboard attached to the
// phone, wherever the focus is.
export function onEscape(event) {
  if (event.key !== 'Escape' || event.defaultPrevented) return;
  const cancel = $('#modal [data-cancel]');
  if (!cancel) return;
  event.preventDefault();
  cancel.click();
}

function alertView(alert) {
  const key = JSON.stringify([alert.title, alert.message, alert.actions.map((action) => action.title)]);
  const fresh = state.alertKey !== key;
  if (fresh) {
    state.alertKey = key;
    state.alertDrafts = new Map();
  }
  const valueOf = (field) => (state.alertDrafts.has(field.id) ? state.alertDrafts.get(field.id) : field.text);
  const tapAction = (action) => tap({ action: 'tapAlertAction', title: action.title, fields: alert.textFields.map(valueOf) });
  const fields = alert.textFields.map((field, index) => h('input', {
    type: 'text',
    class: 'alert-field',
    'data-focus': field.id,
    value: valueOf(field),
    placeholder: field.placeholder,
    'aria-label': field.placeholder || `Field ${index + 1}`,
    autocomplete: 'off',
    oninput: (event) => state.alertDrafts.set(field.id, event.target.value),
    onkeydown: (event) => pressAlertReturn(event, alert, tapAction),
  }));
  const buttons = alert.actions.map((action) => h('button', {
    type: 'button',
    class: `alert-action action-style-${action.style}`,
    'data-cancel': action.style === 'cancel',
    onclick: () => tapAction(action),
  }, action.title));
  const dialog = h('div', {
    class: 'alert',
    role: 'alertdialog',
    'aria-modal': 'true',
    'aria-labelledby': alert.title !== undefined ? 'alert-title' : null,
    'aria-label': alert.title === undefined ? 'Alert' : null,
    'aria-describedby': alert.message !== undefined ? 'alert-message' : null,
    'data-fresh': fresh,
  },
  h('div', { class: 'alert-content' },
    alert.title !== undefined ? h('h2', { id: 'alert-title', class: 'alert-title' }, alert.title) : null,
    alert.message !== undefined ? h('p', { id: 'alert-message', class: 'alert-message' }, alert.message) : null,
    fields),
  h('div', { class: `alert-actions${buttons.length === 2 ? ' side-by-side' : ''}` }, buttons));
  return dialog;
}

// Enter in an alert's field taps the action the host names for the return key.
function pressAlertReturn(event, alert, tapAction) {
  const action = alert.actions.find((candidate) => candidate.id === alert.returnKeyAction);
  if (event.key !== 'Enter' || event.isComposing || !action) return;
  event.preventDefault();
  tapAction(action);
}

// The sheet as on the phone: the recipients as they were given, the subject
// and the message editable; Send hands over what is there.
function mailView(mail) {
  const key = JSON.stringify(mail);
  const fresh = state.mailKey !== key;
  if (fresh) {
    state.mailKey = key;
    state.mailDraft = { subject: mail.subject, body: mail.body };
  }
  const draft = state.mailDraft;
  const cancel = () => tap({ action: 'cancelMail' });
  const line = (id, label, control) => h('div', { class: 'mail-field' },
    h('label', { class: 'mail-label', for: id }, label), control);
  const subject = h('input', {
    type: 'text', id: 'mail-subject', class: 'mail-input', value: draft.subject, autocomplete: 'off',
    oninput: (event) => { draft.subject = event.target.value; },
  });
  const body = h('textarea', {
    id: 'mail-body', class: 'mail-body', 'aria-label': 'Message', 'data-first': true,
    oninput: (event) => { draft.body = event.target.value; },
  });
  body.value = draft.body;
  const dialog = h('div', {
    class: 'mail-sheet', role: 'dialog', 'aria-modal': 'true', 'aria-label': 'Mail', 'data-fresh': fresh,
  },
  h('div', { class: 'mail-bar' },
    h('button', { type: 'button', class: 'mail-cancel', 'data-cancel': true, onclick: cancel }, 'Cancel'),
    h('span', { class: 'mail-title', 'aria-hidden': 'true' }, mail.subject || 'New Message'),
    h('button', {
      type: 'button', class: 'mail-send',
      onclick: () => tap({ action: 'sendMail', subject: draft.subject, body: draft.body }),
    }, 'Send')),
  line('mail-to', 'To:', h('input', {
    type: 'text', id: 'mail-to', class: 'mail-input', value: mail.toRecipients.join(', '), readonly: true,
  })),
  line('mail-subject', 'Subject:', subject),
  body);
  return dialog;
}
