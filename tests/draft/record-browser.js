// Plays a person's steps on the demo provider's web site in headless
// Chromium and records them as a HAR file, as a browser's own export would:
// open the site, log in, fill in the form, send one SMS.
//   node record-browser.js BASE_URL OUT.har NUMBER MESSAGE USER PASSWORD
// Run through record-browser.sh, which starts the provider and brings
// playwright-core; not part of the test run.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { chromium } = require('playwright-core');

const kFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

async function playSession(page, base, number, message, user, password) {
  await page.goto(base + '/web/start');
  await page.fill('input[name=user]', user);
  await page.fill('input[name=pass]', password);
  await Promise.all([page.waitForURL('**/web/compose'), page.click('button:has-text("Log in")')]);
  await page.fill('input[name=to]', number);
  await page.fill('textarea[name=text]', message);
  await Promise.all([page.waitForURL('**/web/done*'), page.click('button:has-text("Send")')]);
  return page.textContent('body');
}

async function main() {
  const [base, out, number, message, user, password] = process.argv.slice(2);
  if (!password) {
    console.error('usage: node record-browser.js BASE_URL OUT.har NUMBER MESSAGE USER PASSWORD');
    process.exit(2);
  }
  // A new, empty profile: nothing cached, no cookies, nothing of an earlier run.
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'parlet-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: kFlags,
    recordHar: { path: out, mode: 'full', content: 'embed' },
  });
  try {
    const page = context.pages()[0] || (await context.newPage());
    const done = await playSession(page, base, number, message, user, password);
    console.log('last page: ' + done.trim().replace(/\s+/g, ' '));
  } finally {
    await context.close();  // writes the HAR
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
