// Access to the host in a browser: the printed address opens the pane and
// leaves the address bar clean, a restarted host keeps its token, and a new
// token shuts the open page out (refusals themselves are the host suite's).
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { hostAndPagePerTest, startHost } from './harness.mjs';

const session = hostAndPagePerTest();

const heading = (page) => page.getByRole('heading', { level: 1 });
const headingIs = (page, text) => heading(page).filter({ hasText: new RegExp(`^${text}$`) }).waitFor();
const row = (page, name) => page.getByRole('button', { name, exact: true });

test('the printed address opens the pane, and the token leaves the address bar for a cookie only the host reads', async () => {
  const { page, context, host } = session;
  await headingIs(page, 'Settings');
  assert.equal(new URL(page.url()).search, '', 'no token in the address bar');
  // The host suite checks the cookie's attributes; here, that the browser keeps it from scripts.
  assert.equal((await context.cookies())[0].name, `chimewell-token-${host.port}`);
  assert.equal(await page.evaluate(() => document.cookie), '', 'no script reads it');

  // The cookie alone keeps the pane open across a reload.
  await page.reload();
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
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
  // The open page follows the new host with its cookie (the tabs suite taps on after a restart).
  await headingIs(page, 'Settings');
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');

  const renewed = await restart(['--new-token']);
  assert.notEqual(renewed.url, host.url);
  await page.getByRole('status').filter({ hasText: 'no longer opens the pane' }).waitFor();
  await row(page, 'Configure Applications').click();
  await page.waitForTimeout(300);
  assert.equal(await heading(page).textContent(), 'Chimewell', 'a tap changes nothing');
  assert.equal(await page.getByRole('status').isVisible(), true);

  await page.goto(renewed.url);
  await headingIs(page, 'Settings');
  await page.getByRole('status').waitFor({ state: 'hidden' });
});
