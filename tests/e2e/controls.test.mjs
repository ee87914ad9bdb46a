// The browser's drawing of every kind of control, on a test pane that has one
// of each (tests/e2e/gallery): what the person does reaches the page, and
// what the page does comes back, also when it comes later by itself. Switches
// are flipped on the per-app page (detail.test.mjs).
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { eventually, GALLERY, hostAndPagePerTest, row } from './harness.mjs';

const session = hostAndPagePerTest(GALLERY);

const cell = (text) => session.page.locator('.cell').filter({ hasText: text });
const button = (name) => session.page.getByRole('button', { name });

test('a text field keeps only what its delegate accepts; the search bar narrows the rows, and a tap puts the checkmark on one', async () => {
  const { page } = session;
  const field = page.getByRole('textbox', { name: 'Times' });
  await field.pressSequentially('4a2', { delay: 30 });
  await eventually(() => field.inputValue(), '42', 'the letter is refused');
  await field.press('Backspace');
  await eventually(() => field.inputValue(), '4', 'a deletion goes through');

  await page.getByRole('searchbox', { name: 'Search' }).fill('an');
  await eventually(() => cell('Fruit').allTextContents(), ['BananaFruit'], 'narrowed');
  await button('Cancel').click();
  await eventually(() => cell('Fruit').count(), 3, 'all fruit again');
  await button('Cherry Fruit').click();
  await eventually(() => cell('Cherry').getAttribute('data-accessory'), 'checkmark', 'checked');
  assert.equal(await cell('Apple').getAttribute('data-accessory'), 'none');
});

test('a change the page makes later reaches the browser by itself, and while the host is busy the page says so', async () => {
  const { page } = session;
  await button('Later Waiting').click();
  await button('Later Arrived').waitFor({ timeout: 5000 });
  const tap = button('Slow').click();
  await page.locator('body[aria-busy="true"]').waitFor({ timeout: 5000 });
  await tap;
  await page.locator('body[aria-busy="false"]').waitFor({ timeout: 5000 });
});

test('Add shows an alert with the focus in it: Escape taps its cancel action, and its Add uses the text typed', async () => {
  const { page } = session;
  const alert = page.getByRole('alertdialog', { name: 'New Item' });
  await row(page, 'Add').focus();
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.activeElement.closest('[role="alertdialog"]') !== null);
  assert.deepEqual(await alert.getByRole('button').allTextContents(), ['Cancel', 'Add']);
  await page.keyboard.press('Escape');
  await alert.waitFor({ state: 'detached' });
  assert.equal(await cell('Fruit').count(), 3, 'nothing added');
  assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-label')), 'Add', 'back on the opener');

  await row(page, 'Add').click();
  await alert.getByRole('textbox', { name: 'Name' }).fill('Durian');
  await alert.getByRole('button', { name: 'Add' }).click();
  await button('Durian Fruit').waitFor();
});
