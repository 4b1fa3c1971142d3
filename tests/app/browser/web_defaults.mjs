// A person at the web pages: Media, Printing Defaults and Print Test Page,
// with a screenshot of every page visited.
//   node web_defaults.mjs <base URL> <printer> <screenshot dir> <profile dir> <node dir>
import { createRequire } from 'node:module';

const [base, printer, shots, profile, nodeDir] = process.argv.slice(2);
const puppeteer = createRequire(`${nodeDir}/`)('puppeteer-core');
const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  userDataDir: profile,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync', '--lang=en-US'],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 900 });
  await page.setExtraHTTPHeaders({ 'Accept-Language': 'en-US,en;q=0.9' });
  page.setDefaultTimeout(30000);
  let shot = 0;
  const snap = (name) =>
    page.screenshot({ path: `${shots}/${String(++shot).padStart(2, '0')}-${name}.png`, fullPage: true });
  const follow = (selector) => Promise.all([page.waitForNavigation(), page.click(selector)]);
  const banner = async () => page.$eval('.banner', (e) => e.textContent.trim()).catch(() => '');

  await page.goto(`${base}/`);
  await snap('home');
  await follow(`a[href="/${printer}/"]`);
  await snap('printer');
  await follow(`a[href="/${printer}/media"]`);
  await snap('media');
  await page.select('select[name="ready1-size"]', 'na_letter_8.5x11in');
  await follow('input[type="submit"][value="Save Changes"]');
  check((await banner()) === 'Changes saved.', `media: banner '${await banner()}'`);
  await snap('media-saved');

  await page.goto(`${base}/${printer}/printing`);
  const labels = await page.$$eval('th', (cells) => cells.map((c) => c.textContent.trim()));
  for (const label of ['Print speed:', 'Print direction:', 'Top and bottom margins:',
                       'Leave IEEE 1284.4 packet mode:', 'Roll paper saving:', 'Tear off after the job:'])
    check(labels.includes(label), `printing defaults: no label '${label}' in ${JSON.stringify(labels)}`);
  check(!labels.some((l) => l.startsWith('impact-')), `printing defaults: a bare attribute name in ${labels}`);
  const source = await page.$eval('select[name="media-source"] option[value="tractor-front"]', (o) => o.textContent);
  check(source.startsWith('US Letter') && source.includes('Front tractor'), `media-source option '${source}'`);
  await snap('printing');
  await page.select('select[name="media-source"]', 'tractor-front');
  await page.select('select[name="impact-top-bottom-margins"]', 'page-size');
  await page.select('select[name="impact-tear-off"]', 'on');
  await follow('input[type="submit"][value="Save Changes"]');
  check((await banner()) === 'Changes saved.', `printing defaults: banner '${await banner()}'`);
  await snap('printing-saved');

  await page.goto(`${base}/${printer}/`);
  await follow('input[type="submit"][value="Print Test Page"]');
  check((await banner()) === 'Test page printed.', `test page: banner '${await banner()}'`);
  await snap('test-page');
} finally {
  await browser.close();
}
for (const f of failures) console.error(`FAIL: ${f}`);
process.exit(failures.length ? 1 : 0);
