// The per-app sound page in a real browser on the demo device: what a person
// sets there is what the app's per-app settings file on disk holds, and what
// the page shows when they come back.
import assert from 'node:assert/strict';
import { readFile, readlink } from 'node:fs/promises';
import path from 'node:path';
import { test } from 'node:test';
import { backButton, eventually, hostAndPagePerTest, openHandedOffPage, openPicker, pickerRow } from './harness.mjs';

const session = hostAndPagePerTest();

const APP = { name: 'Météo Plus', identifier: 'com.example.meteoplus' };

// A device path inside the host's device root, through the phone's /var/jb link.
async function jailbreakPath(...parts) {
  const jb = await readlink(path.join(session.host.root, 'private', 'var', 'jb'));
  return path.join(session.host.root, jb, ...parts);
}

const heading = (title) => session.page.getByRole('heading', { level: 1 }).filter({ hasText: title });

// Opens the app's page from its row in the picker (the picker is open).
async function openFromPicker() {
  await pickerRow(session.page, APP.name, APP.identifier).click();
  await heading(APP.name).waitFor();
}

// The stored keys of the app's file, read from its XML: key to value text.
async function storedKeys() {
  const file = await jailbreakPath('Library', 'Application Support', 'Chimewell-plist', `${APP.identifier}.plist`);
  const xml = await readFile(file, 'utf8');
  const keys = {};
  for (const [, key, value] of xml.matchAll(/<key>([^<]*)<\/key>\s*<(true\/|false\/|string>[^<]*<\/string)>/g)) {
    keys[key] = value.startsWith('string') ? value.slice('string>'.length, -'</string'.length) : value === 'true/';
  }
  return keys;
}

const toggle = (name) => session.page.getByRole('switch', { name, exact: true });
const checked = (name) => toggle(name).getAttribute('aria-checked');
const count = () => session.page.getByRole('textbox', { name: /^Set the number of vibrations/ });
const focusedSwitchState = () => session.page.evaluate(() => document.activeElement.getAttribute('aria-checked'));

test('switches and a typed count reach the file, and the page shows them when opened again', async () => {
  await openPicker(session.page);
  await openFromPicker();
  assert.equal(await checked('Enable Custom Sound'), 'false');
  assert.ok(await session.page.getByRole('button', { name: 'Custom Sound Default', exact: true }).isVisible());

  await toggle('Enable Custom Sound').focus();
  await session.page.keyboard.press('Space');
  await eventually(focusedSwitchState, 'true', 'sound on, and the switch keeps the focus');
  await toggle('Enable Custom Vibration').click();
  await eventually(() => checked('Enable Custom Vibration'), 'true', 'vibration on');

  // Enter ends the editing, which stores the count.
  await count().click();
  await count().pressSequentially('3', { delay: 30 });
  await count().press('Enter');
  await eventually(storedKeys, { enableToggle: true, vibrationTimes: '3', vibrationToggle: true }, 'on disk');

  await backButton(session.page).click();
  await session.page.getByRole('searchbox', { name: 'Search' }).waitFor();

  await openFromPicker();
  assert.equal(await checked('Enable Custom Sound'), 'true');
  assert.equal(await checked('Enable Custom Vibration'), 'true');
  assert.equal(await count().inputValue(), '3');
});

test('a count being typed is stored when the tab reloads and when its row leaves the rows the table holds', async () => {
  const storedCount = async () => (await storedKeys().catch(() => ({}))).vibrationTimes;
  await openHandedOffPage(session.page, session.host, APP);
  await count().click();
  await count().pressSequentially('4', { delay: 30 });
  await session.page.reload();
  await eventually(storedCount, '4', 'stored as the tab reloaded');

  await count().click();
  await count().pressSequentially('2', { delay: 30 });
  // So low a window that a screen above and below the top no longer reaches the row.
  await session.page.setViewportSize({ width: 390, height: 80 });
  await session.page.locator('#content').evaluate((content) => { content.scrollTop = 0; });
  await eventually(storedCount, '42', 'stored as the row left');
});

test('the alternate page shows three rows and the footer of its empty last section', async () => {
  // The picker opens only the usual page: this one comes by name.
  await openHandedOffPage(session.page, session.host, APP, 'SmartDetailView');
  assert.equal(await session.page.locator('.cell').count(), 3);
  assert.equal(await count().count(), 0);
  // Found by its text, which the alternate page's suite owns.
  const closing = session.page.locator('.footer').filter({ hasText: /^Dial in how many times/ });
  assert.ok(await closing.isVisible());
  const vibrationFooter = await session.page.locator('.footer').nth(2).boundingBox();
  assert.ok((await closing.boundingBox()).y > vibrationFooter.y + vibrationFooter.height, 'below the rows');
});
