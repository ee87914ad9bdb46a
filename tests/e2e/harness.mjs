// Starts the built Settings stand-in on a fresh copy of the demo device and a
// free port, and Debian's Chromium through playwright-core, for the browser
// tests. CHIMEWELL_BUILD_DIR names the build (run.sh sets it).
import { spawn } from 'node:child_process';
import { cp, mkdtemp, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';
import { after, afterEach, before, beforeEach } from 'node:test';
import { chromium } from 'playwright-core';

export const sourceDir = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
export const buildDir = path.resolve(process.env.CHIMEWELL_BUILD_DIR || path.join(sourceDir, 'build'));

export const PHONE = { width: 390, height: 844 };
export const DESKTOP = { width: 1280, height: 800 };

// `extraArgs`: more Chromium switches (a benchmark trying the browser's own settings).
export async function launchBrowser(extraArgs = []) {
  // launch() gives every browser a fresh temporary profile.
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', ...extraArgs],
  });
}

// A running host: { url, port, root, dataHome, at(), stop() }. `url` is the
// address the host printed, with its access token; `at(query)` is that
// address with more of a query ("?push=CLASS"). Each host keeps its token in
// a data folder of its own (XDG_DATA_HOME). `empty` starts on an empty
// device; `root`, `dataHome` and `port` start it on a device, token and port
// used before (a restart), and then stop() leaves them to their first owner.
// stop({ keepRoot: true }) ends the host but keeps its device and token for
// a restart; a later stop() removes them. stop({ signal }) ends it with
// another signal than SIGINT.
export async function startHost({ mail = 'yes', empty = false, extraArgs = [], root = null, dataHome = null, port = 0 } = {}) {
  const ownsRoot = root === null;
  if (ownsRoot) {
    root = await mkdtemp(path.join(tmpdir(), 'chimewell-e2e-'));
    if (!empty) await cp(path.join(sourceDir, 'share', 'demo-device'), root, { recursive: true, verbatimSymlinks: true });
  }
  const ownsDataHome = dataHome === null;
  if (ownsDataHome) dataHome = await mkdtemp(path.join(tmpdir(), 'chimewell-e2e-data-'));
  const child = spawn(path.join(buildDir, 'src', 'host', 'chimewell'),
    ['--root', root, '--port', String(port), '--audio', 'none', '--mail', mail, ...extraArgs],
    { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, XDG_DATA_HOME: dataHome } });
  let output = '';
  child.stderr.on('data', (chunk) => { output += chunk; });
  const url = await new Promise((resolve, reject) => {
    child.stdout.on('data', (chunk) => {
      output += chunk;
      const match = output.match(/Open (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+) /);
      if (match) resolve(match[1]);
    });
    child.on('exit', (code) => reject(new Error(`chimewell exited with ${code}:\n${output}`)));
    setTimeout(() => reject(new Error(`chimewell did not start:\n${output}`)), 15000);
  });
  let running = true;
  child.once('exit', () => { running = false; });
  return {
    url,
    port: Number(new URL(url).port),
    root,
    dataHome,
    output: () => output,
    at(query = '') {
      const address = new URL(url);
      for (const [name, value] of new URLSearchParams(query)) address.searchParams.append(name, value);
      return address.href;
    },
    async stop({ keepRoot = false, signal = 'SIGINT' } = {}) {
      if (running) {
        const exited = new Promise((resolve) => child.once('exit', resolve));
        child.kill(signal);
        await exited;
      }
      if (keepRoot) return;
      if (ownsRoot) await rm(root, { recursive: true, force: true });
      if (ownsDataHome) await rm(dataHome, { recursive: true, force: true });
    },
  };
}

// A new browser page on the host, with nothing reaching past loopback: other
// addresses (the links the pane opens) get a small stand-in page.
export async function openPage(browser, host, viewport = PHONE, query = '') {
  const context = await browser.newContext({ viewport });
  await context.route((url) => url.hostname !== '127.0.0.1', (route) => route.fulfill({
    contentType: 'text/html',
    body: '<!doctype html><title>Elsewhere</title><p>A page outside the device.</p>',
  }));
  const page = await context.newPage();
  await page.goto(host.at(query));
  return { context, page };
}

// For the test file that calls it: one browser for all its tests and, for each
// test, a fresh host started with `hostOptions` and a page on it, closed after
// the test. Returns { browser, host, context, page }, the current test's; a
// test that opens another context puts it in `context` to have it closed.
export function hostAndPagePerTest(hostOptions = {}) {
  const session = { browser: null, host: null, context: null, page: null };
  before(async () => { session.browser = await launchBrowser(); });
  after(async () => { await session.browser.close(); });
  beforeEach(async () => {
    session.host = await startHost(hostOptions);
    Object.assign(session, await openPage(session.browser, session.host));
  });
  afterEach(async () => {
    await session.context.close();
    await session.host.stop();
  });
  return session;
}

// Polls until `read` gives `expected` (the page answers a moment later).
export async function eventually(read, expected, what) {
  const deadline = Date.now() + 5000;
  let actual;
  while (Date.now() < deadline) {
    actual = await read();
    if (JSON.stringify(actual) === JSON.stringify(expected)) return;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  assert.deepEqual(actual, expected, what);
}

// A row of the app picker: a button named by the app's name and its bundle
// identifier.
export function pickerRow(page, name, identifier) {
  return page.getByRole('button', { name: new RegExp(`^${name}\\s*${identifier.replaceAll('.', '\\.')}$`) });
}

// The navigation bar's Back button: its name is the title it shows.
export const backButton = (page) => page.locator('#navbar .nav-back');

// Opens the app picker from the Settings list, as a person does.
export async function openPicker(page) {
  await page.getByRole('button', { name: 'Chimewell', exact: true }).click();
  await page.getByRole('button', { name: 'Configure Applications', exact: true }).click();
  await page.getByRole('searchbox', { name: 'Search' }).waitFor();
}

// Hands an app off as the picker does (its name and identifier in the Settings
// app's preferences), then opens a page by class name and waits for its title.
export async function openHandedOffPage(page, host, app, className = 'ChimewellDetailView') {
  const preferences = path.join(host.root, 'private/var/mobile/Library/Preferences/com.apple.Preferences.plist');
  await writeFile(preferences, `<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
<key>currentApp</key><string>${app.name}</string>
<key>currentAppIdentifier</key><string>${app.identifier}</string>
</dict></plist>
`);
  await page.goto(host.at(`?push=${className}`));
  await page.getByRole('heading', { level: 1 }).filter({ hasText: app.name }).waitFor();
}
