// Access to the host in a browser: the printed address opens the pane and
// leaves the address bar clean, the page keeps the token for its own origin
// (other tabs open with it, no cookie), a page without one says what to
// open, a restarted host keeps its token, and a new token shuts the open
// page out (refusals themselves are the host suite's).
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { hostAndPagePerTest, openPage, startHost } from './harness.mjs';

const session = hostAndPagePerTest();

const heading = (page) => page.getByRole('heading', { level: 1 });
const headingIs = (page, text) => heading(page).filter({ hasText: new RegExp(`^${text}$`) }).waitFor();
const row = (page, name) => page.getByRole('button', { name, exact: true });

const refusedNotice = (page) => page.getByRole('status').filter({ hasText: 'Open the address the Settings host printed' });

test('the printed address opens the pane again and again; the page keeps the token for its origin alone', async () => {
  const { page, context, host } = session;
  await headingIs(page, 'Settings');
  assert.equal(new URL(page.url()).search, '', 'no token in the address bar');
  assert.deepEqual(await context.cookies(), [], 'no cookie, which every port of the machine would get');

  // The kept token opens a reload and another tab at the bare address; the printed one opens it again.
  await page.reload();
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
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

test('a restarted host keeps its token for the open page; a new token shuts the page out until its address is opened', async () => {
  const { page, host } = session;
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
  const restart = async (extraArgs = []) => {
    await session.host.stop({ keepRoot: true });
    const next = await startHost({ root: host.root, dataHome: host.dataHome, port: host.port, extraArgs });
    const first = session.host;
    // The first host's device and data go with the last one.
    session.host = {
      ...next,
      async stop(options) {
        await next.stop(options);
        if (!options?.keepRoot) await first.stop();
      },
    };
    return next;
  };

  const same = await restart();
  assert.equal(same.url, host.url, 'the same address opens the restarted host');
  // The open page follows the new host with its kept token (the tabs suite taps on after a restart).
  await headingIs(page, 'Settings');
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');

  const renewed = await restart(['--new-token']);
  assert.notEqual(renewed.url, host.url);
  await refusedNotice(page).waitFor();
  await row(page, 'Configure Applications').click();
  await page.waitForTimeout(300);
  assert.equal(await heading(page).textContent(), 'Chimewell', 'a tap changes nothing');
  assert.equal(await page.getByRole('status').isVisible(), true);

  await page.goto(renewed.url);
  await headingIs(page, 'Settings');
  await page.getByRole('status').waitFor({ state: 'hidden' });
});
