// The browser's drawing of every kind of control, on a test pane that has one
// of each (tests/e2e/gallery): what the person does reaches the page, and
// what the page does comes back, also when it comes later by itself. Switches
// are flipped on the per-app page (detail.test.mjs).
import assert from 'node:assert/strict';
import path from 'node:path';
import { beforeEach, test } from 'node:test';
import { buildDir, eventually, hostAndPagePerTest } from './harness.mjs';

const session = hostAndPagePerTest({
  empty: true,
  extraArgs: ['--bundle', path.join(buildDir, 'tests', 'e2e', 'Gallery.bundle'), '--push', 'GalleryPage'],
});
beforeEach(async () => {
  await session.page.getByRole('searchbox', { name: 'Search' }).waitFor();
});

const cell = (text) => session.page.locator('.cell').filter({ hasText: text });

test('a text field keeps only what its delegate accepts, keystroke by keystroke', async () => {
  const field = session.page.getByRole('textbox', { name: 'Times' });
  await field.click();
  await field.pressSequentially('4a2', { delay: 30 });
  await eventually(() => field.inputValue(), '42', 'the letter is refused');
  await field.press('Backspace');
  await eventually(() => field.inputValue(), '4', 'a deletion goes through');
});

test('the search bar narrows the rows, and a tap puts the checkmark on one', async () => {
  const search = session.page.getByRole('searchbox', { name: 'Search' });
  await search.fill('an');
  await eventually(() => cell('Fruit').allTextContents(), ['BananaFruit'], 'narrowed');
  await session.page.getByRole('button', { name: 'Cancel' }).click();
  await eventually(() => cell('Fruit').count(), 3, 'all fruit again');

  await session.page.getByRole('button', { name: 'Cherry Fruit' }).click();
  await eventually(() => cell('Cherry').getAttribute('data-accessory'), 'checkmark', 'checked');
  assert.equal(await cell('Apple').getAttribute('data-accessory'), 'none');
});

test('a change the page makes later reaches the browser by itself', async () => {
  await session.page.getByRole('button', { name: 'Later Waiting' }).click();
  await session.page.getByRole('button', { name: 'Later Arrived' }).waitFor({ timeout: 5000 });
});

test('while the host is busy the page says so', async () => {
  const busy = session.page.locator('body[aria-busy="true"]');
  const tap = session.page.getByRole('button', { name: 'Slow' }).click();
  await busy.waitFor({ timeout: 5000 });
  await tap;
  await session.page.locator('body[aria-busy="false"]').waitFor({ timeout: 5000 });
});

test('Add shows an alert with the focus in it: Escape taps its cancel action, and its Add uses the text typed', async () => {
  const alert = session.page.getByRole('alertdialog', { name: 'New Item' });
  await session.page.getByRole('button', { name: 'Add' }).focus();
  await session.page.keyboard.press('Enter');
  await alert.waitFor();
  assert.match(await alert.textContent(), /Name the new fruit\./);
  assert.deepEqual(await alert.getByRole('button').allTextContents(), ['Cancel', 'Add']);
  await session.page.waitForFunction(() => document.activeElement.closest('[role="alertdialog"]') !== null);
  await session.page.keyboard.press('Escape');
  await alert.waitFor({ state: 'detached' });
  assert.equal(await cell('Fruit').count(), 3, 'nothing added');
  assert.equal(await session.page.evaluate(() => document.activeElement.getAttribute('aria-label')), 'Add', 'back on the opener');

  await session.page.getByRole('button', { name: 'Add' }).click();
  await alert.getByRole('textbox', { name: 'Name' }).fill('Durian');
  await alert.getByRole('button', { name: 'Add' }).click();
  await alert.waitFor({ state: 'detached' });
  await session.page.getByRole('button', { name: 'Durian Fruit' }).waitFor();
});
