// How long a person waits for a tap: from the click to the first frame that
// shows the new page's content (a slide may go on after it), in Debian's
// Chromium through playwright-core, against the built host.
//   node bench/browser/page_bench.mjs [build-dir] [actions]
// Prints p50 and p99 over `actions` clicks (100 unless given), and for the
// openings and the Backs among them, for:
//   root page    the Chimewell pane: open "Configure Applications", then Back
//   1,000 rows   the test pane's 1,000-row table: open it, then Back
//   twenty tabs  the root page again, each click in the next of 20 open tabs
//   picker       "Configure Applications" on a device of 1,000 and of 5,000
//                apps, to the first frame showing an app's row: repeat
//                showings (the host has seen the list), and first showings
//                (a new host, no cache file; PAGE_BENCH_FIRST of them, 5
//                unless given). PAGE_BENCH_APPS="1000 5000" chooses the sizes.
// Run tests/e2e/run.sh once first: it installs playwright-core. With
// PAGE_BENCH_CHROMIUM_ARGS="--switch ..." the browser gets those switches too.
import { copyFile, cp, mkdir, mkdtemp, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';

const buildArgument = process.argv[2];
if (buildArgument) process.env.CHIMEWELL_BUILD_DIR = path.resolve(buildArgument);
const actions = Number(process.argv[3] || 100);
const { buildDir, launchBrowser, openPage, sourceDir, startHost } = await import('../../tests/e2e/harness.mjs');

// In the page: the click's time, and the first frame after #content got its
// new table (holding `window.benchReady`, a selector, when set). A frame is
// painted after its animation-frame callbacks; a task posted from one runs
// once that frame is out.
function instrument() {
  window.benchFrames = [];
  if (window.benchInstrumented) return;
  window.benchInstrumented = true;
  let clickedAt = null;
  document.addEventListener('click', (event) => {
    clickedAt = event.timeStamp;
    performance.mark('click');
  }, true);
  new MutationObserver(() => {
    if (clickedAt === null) return;
    if (window.benchReady && !document.querySelector(window.benchReady)) return;
    const started = clickedAt;
    clickedAt = null;
    requestAnimationFrame(() => {
      const channel = new MessageChannel();
      channel.port1.onmessage = () => {
        performance.mark('frame');
        window.benchFrames.push(performance.now() - started);
      };
      channel.port2.postMessage(null);
    });
  }).observe(document.querySelector('#content'), { childList: true });
}

function percentile(sorted, p) {
  return sorted[Math.min(sorted.length - 1, Math.ceil((p / 100) * sorted.length) - 1)];
}

// Each step: what to click, and what shows that its page is there. The
// click is a mouse click at the element's middle, through Chromium's input
// path; between the click and the frame nothing of Playwright's runs in the
// page (a locator's click and its waiting would check and poll in the page
// itself, and be counted as the page's time), only a rare poll of the count.
async function measure(tabs, steps) {
  for (const tab of tabs) await tab.evaluate(instrument);
  const times = [];
  const byStep = steps.map(() => []);
  for (let i = 0; i < actions; i += 1) {
    const tab = tabs[i % tabs.length];
    const { target, shown, ready = null } = steps[i % steps.length];
    await steps[(i + steps.length - 1) % steps.length].shown(tab);
    await tab.evaluate((selector) => { window.benchReady = selector; }, ready);
    // A person clicks in the tab in front; a tab behind may get frames only once a second.
    if (tabs.length > 1) await tab.bringToFront();
    const box = await target(tab).boundingBox();
    const before = await tab.evaluate(() => window.benchFrames.length);
    await tab.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    await tab.waitForFunction((count) => window.benchFrames.length > count, before, { polling: 50 });
    const time = await tab.evaluate((count) => window.benchFrames[count], before);
    times.push(time);
    byStep[i % steps.length].push(time);
  }
  return { count: times.length, ...summary(times), steps: byStep.map(summary) };
}

function summary(times) {
  const sorted = [...times].sort((a, b) => a - b);
  return { p50: percentile(sorted, 50), p99: percentile(sorted, 99) };
}

const row = (name) => (tab) => tab.getByRole('button', { name, exact: true });
const back = (tab) => tab.locator('#navbar .nav-back');
const heading = (text) => (tab) => tab.getByRole('heading', { level: 1 }).filter({ hasText: new RegExp(`^${text}$`) }).waitFor();
const backTo = (text) => (tab) => tab.locator('#navbar .nav-back').filter({ hasText: text }).waitFor();

// PAGE_BENCH_CHROMIUM_ARGS: Chromium switches to try, separated by spaces.
// A copy of the demo device with `count` more apps, one container each: an
// XML Info.plist and an icon.
async function deviceWithApps(count) {
  const root = await mkdtemp(path.join(tmpdir(), `chimewell-bench-${count}-apps-`));
  await cp(path.join(sourceDir, 'share', 'demo-device'), root, { recursive: true, verbatimSymlinks: true });
  const containers = path.join(root, 'private', 'var', 'containers', 'Bundle', 'Application');
  const icon = path.join(sourceDir, 'share', 'Chimewell.bundle', 'icon.png');
  for (let i = 0; i < count; i += 1) {
    const name = `Bench App ${String(i).padStart(5, '0')}`;
    const app = path.join(containers, `BENCH-${i}`, `BenchApp${i}.app`);
    await mkdir(app, { recursive: true });
    await writeFile(path.join(app, 'Info.plist'), `<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>CFBundleIdentifier</key><string>com.example.bench${i}</string>
<key>CFBundleDisplayName</key><string>${name}</string><key>CFBundleIconFiles</key><array><string>Icon.png</string></array>
</dict></plist>
`);
    await copyFile(icon, path.join(app, 'Icon.png'));
  }
  return root;
}

const pickerShown = (tab) => tab.locator('#content .cell .cell-detail').first().waitFor();

// Repeat showings on one host, then first showings, each on a new host
// without the cache file.
async function measurePicker(apps) {
  const root = await deviceWithApps(apps);
  const rootArgs = ['--push', 'ChimewellPreferencesController'];
  const cache = path.join(root, 'private', 'var', 'mobile', 'Library', 'Preferences', 'allApplications.plist');
  const host = await startHost({ root, extraArgs: rootArgs });
  try {
    const { context, page } = await openPage(browser, host);
    await page.emulateMedia({ reducedMotion: 'reduce' });
    await row('Configure Applications')(page).click();
    await pickerShown(page);
    await back(page).click();
    results.push([`picker, ${apps} apps, repeat showing`, await measure([page], [
      { target: row('Configure Applications'), shown: pickerShown, ready: '#content .cell .cell-detail' },
      { target: back, shown: heading('Chimewell') }])]);
    await context.close();
  } finally {
    await host.stop({ keepRoot: true });
  }
  const firstTimes = [];
  for (let i = 0; i < Number(process.env.PAGE_BENCH_FIRST || 5); i += 1) {
    await rm(cache, { force: true });
    const fresh = await startHost({ root, extraArgs: rootArgs });
    try {
      const { context, page } = await openPage(browser, fresh);
      await page.emulateMedia({ reducedMotion: 'reduce' });
      await row('Configure Applications')(page).waitFor();
      await page.evaluate(instrument);
      await page.evaluate(() => { window.benchReady = '#content .cell .cell-detail'; });
      const box = await row('Configure Applications')(page).boundingBox();
      await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
      await page.waitForFunction(() => window.benchFrames.length > 0, null, { polling: 50 });
      firstTimes.push(await page.evaluate(() => window.benchFrames[0]));
      await context.close();
    } finally {
      await fresh.stop({ keepRoot: true });
    }
  }
  results.push([`picker, ${apps} apps, first showing`, { count: firstTimes.length, ...summary(firstTimes), steps: [summary(firstTimes), { p50: NaN, p99: NaN }] }]);
  await rm(root, { recursive: true, force: true });
}

const browser = await launchBrowser((process.env.PAGE_BENCH_CHROMIUM_ARGS || '').split(' ').filter(Boolean));
const results = [];
try {
  for (const apps of (process.env.PAGE_BENCH_APPS || '1000 5000').split(' ').filter(Boolean).map(Number)) {
    await measurePicker(apps);
  }
  // PAGE_BENCH_ONLY_PICKER: the picker's cases alone.
  if (!process.env.PAGE_BENCH_ONLY_PICKER) {
    const host = await startHost({ extraArgs: ['--push', 'ChimewellPreferencesController'] });
    try {
      const { context, page } = await openPage(browser, host);
      await page.emulateMedia({ reducedMotion: 'no-preference' });
      const rootSteps = [{ target: row('Configure Applications'), shown: backTo('Chimewell') },
        { target: back, shown: heading('Chimewell') }];
      results.push(['root page', await measure([page], rootSteps)]);
      const tabs = [page];
      while (tabs.length < 20) {
        const tab = await context.newPage();
        await tab.goto(host.url);
        tabs.push(tab);
      }
      results.push(['root page, twenty tabs', await measure(tabs, rootSteps)]);
      await context.close();
    } finally {
      await host.stop();
    }

    const gallery = await startHost({
      empty: true,
      extraArgs: ['--bundle', path.join(buildDir, 'tests', 'e2e', 'Gallery.bundle'), '--push', 'GalleryPage'],
    });
    try {
      const { context, page } = await openPage(browser, gallery);
      results.push(['1,000-row table', await measure([page], [{ target: row('Many'), shown: heading('Many') },
        { target: back, shown: heading('Gallery') }])]);
      await context.close();
    } finally {
      await gallery.stop();
    }
  }
} finally {
  await browser.close();
}

const ms = (value) => `${value.toFixed(1)} ms`;
console.log('| case | actions | p50 | p99 | opening: p50 / p99 | Back: p50 / p99 |\n|---|---|---|---|---|---|');
for (const [name, { count, p50, p99, steps: [opening, back] }] of results) {
  console.log(`| ${name} | ${count} | ${ms(p50)} | ${ms(p99)} | ${ms(opening.p50)} / ${ms(opening.p99)} | ${ms(back.p50)} / ${ms(back.p99)} |`);
}
