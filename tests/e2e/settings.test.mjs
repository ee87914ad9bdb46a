// The Settings stand-in in a real browser: the pane list, the Chimewell pane's
// three rows, its mail sheet's Cancel, pushes by name and the desktop width
// (links opened once are the tabs suite's).
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { backButton, DESKTOP, hostAndPagePerTest, openPage } from './harness.mjs';

const session = hostAndPagePerTest();

const heading = () => session.page.getByRole('heading', { level: 1 });
const row = (name) => session.page.getByRole('button', { name, exact: true });

async function openChimewell() {
  await row('Chimewell').click();
  await assertHeading('Chimewell');
}

async function assertHeading(text) {
  await heading().filter({ hasText: text }).waitFor();
  assert.equal(await heading().textContent(), text);
}

// For each image in the element: whether it arrives and decodes.
async function loadedImages(locator) {
  return locator.locator('img').evaluateAll((images) => Promise.all(
    images.map((image) => image.decode().then(() => image.naturalWidth > 0, () => false)),
  ));
}

test('the Settings page lists Chimewell with its icon, and a tap opens its three rows with icons and footers', async () => {
  await assertHeading('Settings');
  assert.equal(await backButton(session.page).count(), 0);
  assert.deepEqual(await loadedImages(row('Chimewell')), [true]);
  assert.equal(await session.page.locator('body').getAttribute('aria-busy'), 'false');

  await openChimewell();
  await backButton(session.page).and(session.page.getByRole('button', { name: 'Settings', exact: true })).waitFor();
  for (const name of ['Configure Applications', 'Report', 'Follow on Twitter']) {
    assert.deepEqual(await loadedImages(row(name)), [true], `${name} shows its icon`);
  }
  // Every section shows its footer (the root page's suite owns their texts).
  const footers = session.page.locator('.footer');
  assert.equal(await footers.count(), 3);
  for (const footer of await footers.all()) assert.ok(await footer.isVisible());

  await backButton(session.page).click();
  await assertHeading('Settings');
});

test('the mail sheet\'s Cancel button closes it and sends nothing', async () => {
  // Sending and the keyboard are the access suite's; the root page's suite owns the texts.
  await openChimewell();
  const mail = session.page.getByRole('dialog', { name: 'Mail' });
  await row('Report').click();
  await mail.getByRole('button', { name: 'Cancel' }).click();
  await mail.waitFor({ state: 'detached' });
  assert.deepEqual(await session.page.evaluate(() => window.chimewellLinks), []);
});

test('?push=CLASS pushes an exported page, and an unknown class is a clear error on the page', async () => {
  await session.page.goto(session.host.at('?push=ChimewellPreferencesController'));
  await assertHeading('Chimewell');
  assert.equal(new URL(session.page.url()).search, '', 'a reload does not push again');

  await session.page.goto(session.host.at('?push=NoSuchPage'));
  const banner = session.page.getByRole('alert');
  await banner.waitFor();
  assert.match(await banner.textContent(), /NoSuchPage/);
  assert.equal(await heading().textContent(), 'Chimewell');
});

test('the pane is usable at desktop width', async () => {
  await session.context.close();  // one window on the device at a time
  const wide = await openPage(session.browser, session.host, DESKTOP);
  await wide.page.getByRole('button', { name: 'Chimewell', exact: true }).click();
  await wide.page.getByRole('heading', { level: 1, name: 'Chimewell' }).waitFor();
  const report = wide.page.getByRole('button', { name: 'Report', exact: true });
  await report.waitFor();  // the heading can show before the rows are laid out
  const box = await report.boundingBox();
  assert.ok(box.width >= 300 && box.width <= 720, `row width ${box.width}`);
  assert.ok(box.x > 200, 'the column is centred');
  session.context = wide.context;  // closed after the test
});
