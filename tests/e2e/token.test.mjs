// Access to the host in a browser: the printed address opens the pane and
// leaves the address bar clean, the page keeps the token for its own origin
// (other tabs open with it, no cookie), a page without one says what to
// open, a restarted host is followed with the token it keeps, and a new token
// shuts the open page out (refusals themselves are the host suite's).
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { backButton, heading, headingIs, hostAndPagePerTest, openPage, row, startHost } from './harness.mjs';

const session = hostAndPagePerTest();

const refusedNotice = (page) => page.getByRole('status').filter({ hasText: 'Open the address the Settings host printed' });

test('the printed address opens the pane again and again; the page keeps the token for its origin alone', async () => {
  const { page, context, host } = session;
  await headingIs(page, 'Settings');
  assert.equal(new URL(page.url()).search, '', 'no token in the address bar');
  assert.deepEqual(await context.cookies(), [], 'no cookie, which every port of the machine would get');

  // The kept token opens a reload and another tab at the bare address; the printed one opens it again.
  await page.reload();
  await row(page, 'Chimewell').click();
  const other = await context.newPage();
  await other.goto(new URL('/', host.url).href);
  await headingIs(other, 'Chimewell');
  await other.goto(host.url);
  await headingIs(other, 'Chimewell');

  // A browser that never had the address is told to open it, and nothing else.
  const stranger = await openPage(session.browser, { at: () => new URL('/', host.url).href });
  try {
    await refusedNotice(stranger.page).waitFor();
    assert.equal(await stranger.page.locator('.cell').count(), 0);
  } finally {
    await stranger.context.close();
  }
});

test('a restarted host is followed without a reload, with the token kept; a new token shuts the page out until its address is opened', async () => {
  const { page, host } = session;
  const status = page.getByRole('status');
  const hosts = [host];
  // The first host's device and token serve the next ones; it removes them after the test.
  const restart = async (extraArgs = []) => {
    await hosts.at(-1).stop({ keepRoot: true });
    hosts.push(await startHost({ root: host.root, dataHome: host.dataHome, port: host.port, extraArgs }));
    return hosts.at(-1);
  };
  try {
    await row(page, 'Chimewell').click();
    await headingIs(page, 'Chimewell');
    await hosts.at(-1).stop({ keepRoot: true });
    await status.filter({ hasText: /gone away.*Reconnecting/ }).waitFor();
    assert.equal((await restart()).url, host.url, 'the same address opens the restarted host');
    // It numbers its screens from the start and shows its first page, saying so.
    await headingIs(page, 'Settings');
    await page.getByRole('alert').filter({ hasText: /restarted/ }).waitFor();
    await status.waitFor({ state: 'hidden' });
    await row(page, 'Chimewell').click();
    await headingIs(page, 'Chimewell');
    await backButton(page).click();
    await headingIs(page, 'Settings');
    assert.equal(await page.getByRole('alert').isVisible(), false, 'no error after the restart');

    const renewed = await restart(['--new-token']);
    assert.notEqual(renewed.url, host.url);
    await refusedNotice(page).waitFor();
    await row(page, 'Chimewell').click();
    await page.waitForTimeout(300);
    assert.equal(await heading(page).textContent(), 'Settings', 'a tap changes nothing');
    assert.equal(await status.isVisible(), true);
    await page.goto(renewed.url);
    await headingIs(page, 'Settings');
    await status.waitFor({ state: 'hidden' });
  } finally {
    for (const started of hosts.slice(1)) await started.stop();
  }
});
