// A phone over SSH: an sshd of the test's own on 127.0.0.1 serves a copy of the
// demo device (absolute links /var and /var/jb, as on a phone); the host mounts
// it with --root ssh://… and the page's changes land in the phone's files.
// Needs root (the phone's preferences belong to uid 501, sshd's /run/sshd) and
// FUSE; elsewhere it says so and is skipped.
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { chown, chmod, cp, mkdir, mkdtemp, readFile, readdir, rm, stat, writeFile } from 'node:fs/promises';
import { createServer, connect } from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import {
  backButton, eventually, importRingtone, launchBrowser, openPage, openPicker, pickerRow, row, serveRingtone, sourceDir, startHost, storedKeys, supportPath,
} from './harness.mjs';

const tools = ['/usr/sbin/sshd', '/usr/bin/sshfs', '/usr/bin/ssh-keygen'].every(existsSync);
const skip = !existsSync('/dev/fuse') ? '/dev/fuse is absent: no FUSE mount can be made here'
  : process.getuid() !== 0 ? 'needs root, for a phone whose files belong to uid 501'
    : !tools ? 'sshd or sshfs is missing (scripts/setup --test installs them)' : false;

const APP = { name: 'Météo Plus', identifier: 'com.example.meteoplus' };
const PREFERENCES = 'private/var/mobile/Library/Preferences/com.apple.Preferences.plist';

let folder, phone, port, sshd, browser, ringtone;
const running = new Set();  // every host and sshfs started, ended by after() whatever happens

async function freePort() {
  const server = createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port: free } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return free;
}

async function startSshd() {
  sshd = spawn('/usr/sbin/sshd', ['-D', '-e', '-f', path.join(folder, 'sshd_config')], { stdio: 'ignore' });
  await eventually(() => new Promise((resolve) => connect(port, '127.0.0.1').on('connect', function () { this.end(); resolve(true); })
    .on('error', () => resolve(false))), true, 'sshd listens');
}

// Ends sshd and the sessions it runs, as a phone that drops off the network.
function stopSshd() {
  const sessions = execFileSync('ps', ['-e', '-o', 'pid=,ppid='], { encoding: 'utf8' }).trim().split('\n')
    .map((line) => line.trim().split(/\s+/).map(Number)).filter(([, parent]) => parent === sshd.pid);
  for (const [pid] of sessions) process.kill(pid, 'SIGKILL');
  sshd.kill('SIGKILL');
}

const mountsUnder = (where) => readFileSync('/proc/self/mountinfo', 'utf8').split('\n').filter((line) => line.includes(` ${where}`));
const sshOptions = () => ['--ssh-option', `IdentityFile=${folder}/user_key`, '--ssh-option', 'StrictHostKeyChecking=no',
  '--ssh-option', 'UserKnownHostsFile=/dev/null'];

async function startPhoneHost(reuse = {}) {
  const host = await startHost({ root: phone, ...reuse, extraArgs: ['--root', `ssh://root@127.0.0.1:${port}${phone}`, ...sshOptions()] });
  running.add(host);
  return host;
}

before(async () => {
  if (skip) return;
  folder = await mkdtemp(path.join(tmpdir(), 'chimewell-ssh-'));
  phone = path.join(folder, 'phone');
  await cp(path.join(sourceDir, 'share', 'demo-device'), phone, { recursive: true, verbatimSymlinks: true });
  await writeFile(path.join(phone, PREFERENCES), '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
    + '<key>phoneOwn</key><true/></dict></plist>\n');
  await chown(path.join(phone, PREFERENCES), 501, 501);
  await chmod(path.join(phone, PREFERENCES), 0o600);
  for (const key of ['host_key', 'user_key']) execFileSync('ssh-keygen', ['-q', '-t', 'ed25519', '-N', '', '-f', path.join(folder, key)]);
  port = await freePort();
  await writeFile(path.join(folder, 'sshd_config'), [`Port ${port}`, 'ListenAddress 127.0.0.1', `HostKey ${folder}/host_key`,
    `AuthorizedKeysFile ${folder}/user_key.pub`, 'StrictModes no', 'PermitRootLogin prohibit-password', 'UsePAM no',
    `PidFile ${folder}/sshd.pid`, 'Subsystem sftp internal-sftp', ''].join('\n'));
  await mkdir('/run/sshd', { recursive: true });
  await startSshd();
  // Mounts of this file's hosts go to a runtime folder of its own.
  process.env.XDG_RUNTIME_DIR = path.join(folder, 'run');
  ringtone = await serveRingtone();
  browser = await launchBrowser();
});

after(async () => {
  if (skip) return;
  for (const item of running) await (item.stop ? item.stop({ keepRoot: true }) : item.kill('SIGTERM'));
  await browser?.close();
  await ringtone?.close();
  stopSshd();
  for (const line of mountsUnder(folder)) execFileSync('umount', ['-l', line.split(' ')[4]]);
  await rm(folder, { recursive: true, force: true });
});

const stored = () => storedKeys(phone, APP.identifier);

test('over a phone mounted by the host, every change lands in its files; the mount ends with the host, kill -9 included', { skip }, async () => {
  let host = await startPhoneHost();
  const { context, page } = await openPage(browser, host);
  const toggle = (name) => page.getByRole('switch', { name, exact: true });
  await openPicker(page);
  await pickerRow(page, APP.name, APP.identifier).click();
  await toggle('Enable Custom Sound').click();
  await eventually(() => toggle('Enable Custom Sound').getAttribute('aria-checked'), 'true', 'sound on');
  await row(page, 'Custom Sound Default').click();
  await row(page, 'Chime.m4r').click();
  await (await importRingtone(page, ringtone.link, 'Phone Chime.m4r')).getByRole('button', { name: 'OK' }).click();
  await backButton(page).click();
  await page.getByRole('textbox').click();
  await page.getByRole('textbox').pressSequentially('3', { delay: 30 });
  await backButton(page).click();
  await eventually(stored, { NotificationAlert: 'Chime.m4r', enableToggle: true, vibrationTimes: '3' }, 'on the phone');
  assert.deepEqual(await readFile(await supportPath(phone, 'Chimewell', 'Phone Chime.m4r')), ringtone.bytes);
  assert.match(await readFile(path.join(phone, PREFERENCES), 'utf8'), /currentAppIdentifier[\s\S]*phoneOwn/);

  // The phone drops off: a change is not stored and the page says why; once
  // it is back, the next change is.
  await pickerRow(page, APP.name, APP.identifier).click();
  stopSshd();
  await toggle('Enable Custom Vibration').click();
  await page.locator('#device-notice').waitFor({ state: 'visible' });
  await startSshd();
  await eventually(async () => {
    if ((await toggle('Enable Custom Vibration').getAttribute('aria-checked')) !== 'true') await toggle('Enable Custom Vibration').click();
    return (await stored()).vibrationToggle;
  }, true, 'stored once the phone is back', 20);  // sshfs connects again through a new ssh handshake
  await page.locator('#device-notice').waitFor({ state: 'hidden' });
  await context.close();

  const run = process.env.XDG_RUNTIME_DIR;
  await host.stop({ signal: 'SIGTERM', keepRoot: true });
  assert.deepEqual([mountsUnder(run), await readdir(path.join(run, 'chimewell'))], [[], []], 'gone after SIGTERM');
  host = await startPhoneHost({ dataHome: host.dataHome });
  await host.stop({ signal: 'SIGKILL', keepRoot: true });
  await eventually(() => mountsUnder(run), [], 'sshfs ends with its host');
  host = await startPhoneHost({ dataHome: host.dataHome });
  assert.equal((await readdir(path.join(run, 'chimewell'))).length, 1, 'the killed host\'s folder is gone');
  await host.stop({ signal: 'SIGTERM' });

  // The phone's Settings app must still be able to write its preferences.
  const preferences = await stat(path.join(phone, PREFERENCES));
  assert.deepEqual([preferences.uid, preferences.mode & 0o777], [501, 0o600]);
});

test('a mount made with sshfs\'s defaults, which hide the phone\'s links, is told in one line at start', { skip }, async () => {
  const mountPoint = path.join(folder, 'by-hand');
  await mkdir(mountPoint);
  const sshfs = spawn('sshfs', ['-f', '-p', String(port), '-o', `IdentityFile=${folder}/user_key,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null`,
    `root@127.0.0.1:${phone}`, mountPoint], { stdio: 'ignore' });
  running.add(sshfs);
  await eventually(() => mountsUnder(mountPoint).length, 1, 'mounted by hand');
  const host = await startHost({ root: mountPoint });
  running.add(host);
  const told = host.output().split('\n').filter((line) => line.includes('no_contain_symlinks'));
  assert.deepEqual(told.map((line) => line.startsWith('Warning: The link /var ')), [true], 'one warning, naming the link');
  const { context, page } = await openPage(browser, host);
  await row(page, 'Chimewell').waitFor();
  await context.close();
  await host.stop({ keepRoot: true });
  sshfs.kill('SIGTERM');
  await eventually(() => mountsUnder(mountPoint).length, 0, 'unmounted');
});
