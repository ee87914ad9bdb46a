// The per-app sound page in a real browser on the demo device: what a person
// sets there is what the app's per-app settings file on disk holds, and what
// the page shows when they come back.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { backButton, eventually, headingIs, hostAndPagePerTest, openHandedOffPage, openPicker, pickerRow, row, storedKeys } from './harness.mjs';

const session = hostAndPagePerTest();

const APP = { name: 'Météo Plus', identifier: 'com.example.meteoplus' };
const stored = () => storedKeys(session.host.root, APP.identifier);
const toggle = (name) => session.page.getByRole('switch', { name, exact: true });
const checked = (name) => toggle(name).getAttribute('aria-checked');
const count = () => session.page.getByRole('textbox', { name: /^Set the number of vibrations/ });

async function openFromPicker() {
  await pickerRow(session.page, APP.name, APP.identifier).click();
  await headingIs(session.page, APP.name);
}

test('switches and a typed count reach the file, and the page shows them when opened again', async () => {
  await openPicker(session.page);
  await openFromPicker();
  assert.equal(await checked('Enable Custom Sound'), 'false');
  await row(session.page, 'Custom Sound Default').waitFor();

  await toggle('Enable Custom Sound').focus();
  await session.page.keyboard.press('Space');
  const focusedState = () => session.page.evaluate(() => document.activeElement.getAttribute('aria-checked'));
  await eventually(focusedState, 'true', 'sound on, and the switch keeps the focus');
  await toggle('Enable Custom Vibration').click();
  await eventually(() => checked('Enable Custom Vibration'), 'true', 'vibration on');
  // Enter ends the editing, which stores the count.
  await count().pressSequentially('3', { delay: 30 });
  await count().press('Enter');
  await eventually(stored, { enableToggle: true, vibrationTimes: '3', vibrationToggle: true }, 'on disk');

  await backButton(session.page).click();
  await openFromPicker();
  assert.deepEqual([await checked('Enable Custom Sound'), await checked('Enable Custom Vibration'), await count().inputValue()],
    ['true', 'true', '3']);
});

test('a count being typed is stored when the tab reloads and when its row leaves the rows the table holds', async () => {
  const storedCount = async () => (await stored()).vibrationTimes;
  await openHandedOffPage(session.page, session.host, APP);
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

test('the alternate page shows three rows, no count, and the footer of its empty last section below them', async () => {
  // The picker opens only the usual page: this one comes by name.
  await openHandedOffPage(session.page, session.host, APP, 'SmartDetailView');
  assert.equal(await session.page.locator('.cell').count(), 3);
  assert.equal(await count().count(), 0);
  // Found by its text, which the alternate page's suite owns.
  const closing = await session.page.locator('.footer').filter({ hasText: /^Dial in how many times/ }).boundingBox();
  const vibrationFooter = await session.page.locator('.footer').nth(2).boundingBox();
  assert.ok(closing.y > vibrationFooter.y + vibrationFooter.height, 'shown, below the rows');
});
