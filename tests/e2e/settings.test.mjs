// The Settings stand-in in a real browser: the pane list, the Chimewell pane's
// rows, pushes by name and the pane at a narrow phone's and a desktop's width
// (the mail sheet is the access suite's, links opened once the tabs suite's).
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { backButton, DESKTOP, heading, headingIs, hostAndPagePerTest, loadedImages, openPage, row } from './harness.mjs';

const session = hostAndPagePerTest();

test('the Settings page lists Chimewell with its icon, and a tap opens its three rows with icons and footers', async () => {
  const { page } = session;
  await headingIs(page, 'Settings');
  assert.equal(await backButton(page).count(), 0);
  assert.deepEqual(await loadedImages(row(page, 'Chimewell')), [true]);
  assert.equal(await page.locator('body').getAttribute('aria-busy'), 'false');

  await row(page, 'Chimewell').click();
  await backButton(page).and(row(page, 'Settings')).waitFor();
  for (const name of ['Configure Applications', 'Report', 'Follow on Twitter']) {
    assert.deepEqual(await loadedImages(row(page, name)), [true], `${name} shows its icon`);
  }
  // Every section shows its footer (the root page's suite owns their texts).
  assert.deepEqual(await page.locator('.footer').evaluateAll((all) => all.map((footer) => footer.checkVisibility())),
    [true, true, true]);
});

// Each in a tab of its own (one window on the device at a time).
async function ownTab(viewport, query) {
  await session.context.close();
  Object.assign(session, await openPage(session.browser, session.host, viewport, query));
  return session.page;
}

test('?push=CLASS pushes an exported page that Back leaves, and an unknown class is a clear error on the page', async () => {
  const page = await ownTab(undefined, '?push=NoSuchPage');
  await page.getByRole('alert').filter({ hasText: 'NoSuchPage' }).waitFor();
  assert.equal(await heading(page).textContent(), 'Settings');

  // Last: a Back still queued behind the page's first actions would be lost to a new address.
  await page.goto(session.host.at('?push=ChimewellPreferencesController'));
  await headingIs(page, 'Chimewell');
  assert.equal(new URL(page.url()).search, '', 'a reload does not push again');
  await page.goBack();  // the tab's history began inside the pane
  await headingIs(page, 'Settings');
});

test('the pane is usable at desktop width, and at 320 pixels wide no root row title is cut off', async () => {
  let page = await ownTab({ width: 320, height: 640 });
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
  await page.evaluate(() => document.fonts.ready);
  assert.deepEqual(await page.locator('.cell-text').evaluateAll((texts) => texts
    .filter((text) => text.scrollWidth > text.clientWidth).map((text) => text.textContent)), []);

  page = await ownTab(DESKTOP);
  await headingIs(page, 'Chimewell');
  const report = row(page, 'Report');
  await report.waitFor();  // the heading can show before the rows are laid out
  let box = null;
  while (!box) box = await report.boundingBox();  // a screen that arrives meanwhile draws the row anew
  assert.ok(box.width >= 300 && box.width <= 720, `row width ${box.width}`);
  assert.ok(box.x > 200, 'the column is centred');
});
