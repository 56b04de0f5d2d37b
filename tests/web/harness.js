// Drives the page in the frame as a user would, and holds what it shows against what the
// command line gave (cases.json): the verdict of every example, tableau cells, stepping, the
// warnings, the implies box, the download; and the page's own call against the command line
// on random inputs. Posts a report to /report when done.
'use strict';

const failures = [];
const timings = {};
let checks = 0;

function check(condition, what) {
  ++checks;
  if (!condition) failures.push(what);
  return condition;
}

const tick = () => new Promise((resolve) => setTimeout(resolve, 0));

function base64Bytes(text) {
  return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
}

function sameBytes(a, b) {
  return a.length === b.length && a.every((byte, i) => byte === b[i]);
}

// The cells of a drawn tableau, as the JSON writes them: one array of symbols per row.
function drawnCells(table) {
  return Array.from(table.tBodies[0].rows,
                    (row) => Array.from(row.querySelectorAll('td'), (td) => td.dataset.symbol));
}

function jsonCells(tableau) {
  return tableau.rows.map((row) => row.cells);
}

async function whenLoaded(frame) {
  if (frame.contentWindow.losslessJoin === undefined) {
    await new Promise((resolve) => frame.addEventListener('load', resolve, {once: true}));
  }
  await frame.contentWindow.losslessJoin.ready;
}

// Opens the input through the page's address, as a shared link does.
async function openLink(win, input) {
  win.location.hash = '#input=' + encodeURIComponent(input);
  for (let i = 0; i < 100 && win.losslessJoin.fileText() !== input; ++i) await tick();
}

// Clicks the download button and returns the bytes of the file the page offered.
async function downloaded(win, doc) {
  let blob = null;
  const create = win.URL.createObjectURL;
  win.URL.createObjectURL = (object) => {
    blob = object;
    return create.call(win.URL, object);
  };
  doc.getElementById('download').click();
  win.URL.createObjectURL = create;
  return blob === null ? null : new Uint8Array(await blob.arrayBuffer());
}

// Steps through every step forward, then one back: each shown tableau has the step's changed
// cells highlighted with the step's symbol, and the last one is the final tableau.
function checkStepping(doc, name, explanation) {
  const click = (id) => doc.getElementById(id).click();
  const table = () => doc.getElementById('step-tableau');
  click('step-first');
  check(JSON.stringify(drawnCells(table())) === JSON.stringify(jsonCells(explanation.initial_tableau)),
        name + ': step 0 is not the initial tableau');
  explanation.steps.forEach((step, s) => {
    click('step-forward');
    check(doc.getElementById('step-label').textContent === 'Step ' + (s + 1) + ' of ' +
              explanation.steps.length, name + ': stepping forward does not reach step ' + (s + 1));
    if (step.kind === 'equalization') {
      const changed = table().querySelectorAll('td.changed');
      check(changed.length === step.cells_changed, name + ': step ' + (s + 1) + ' highlights ' +
                changed.length + ' cells, not ' + step.cells_changed);
      check(Array.from(changed).every((td) => td.dataset.symbol === step.to &&
                                              td.dataset.column === step.column),
            name + ': step ' + (s + 1) + ' highlights a cell that is not its own');
    } else {
      check(table().querySelector('tr.added') !== null &&
                table().querySelector('tr.added').dataset.row === String(step.row),
            name + ': step ' + (s + 1) + ' does not mark its added row');
    }
  });
  if (explanation.final_tableau.rows.length <= 300) {
    check(JSON.stringify(drawnCells(table())) === JSON.stringify(jsonCells(explanation.final_tableau)),
          name + ': the last step does not show the final tableau');
  }
  if (explanation.steps.length > 0) {
    click('step-back');
    check(doc.getElementById('step-label').textContent ===
              'Step ' + (explanation.steps.length - 1) + ' of ' + explanation.steps.length,
          name + ': stepping back does not go back');
  }
}

// Clicks the LaTeX button and returns what the page put on the clipboard.
async function copiedLatex(win, doc) {
  let copied = null;
  const clipboard = win.navigator.clipboard;
  const write = clipboard.writeText;
  clipboard.writeText = (text) => {
    copied = text;
    return Promise.resolve();
  };
  doc.getElementById('copy-latex').click();
  for (let i = 0; i < 100 && copied === null; ++i) await tick();
  clipboard.writeText = write;
  return copied;
}

async function checkExample(win, doc, example) {
  const name = example.name;
  await openLink(win, example.input);
  const verdict = doc.getElementById('verdict').textContent;
  const expected = example.explanation.verdict_word;
  check(verdict.startsWith(expected + ' ('), name + ': the page says "' + verdict + '", not ' + expected);
  const initial = doc.getElementById('initial-tableau');
  const first = example.explanation.initial_tableau.rows[0];
  check(initial.tBodies[0].rows[0].querySelector('td').dataset.symbol === first.cells[0],
        name + ': row 1 of the initial tableau does not hold ' + first.cells[0]);
  const final = doc.getElementById('final-tableau');
  check(JSON.stringify(drawnCells(final)) === JSON.stringify(jsonCells(example.explanation.final_tableau)),
        name + ': the final tableau differs from the command line\'s');
  if (example.explanation.verdict === 'lossless') {
    const deciding = final.querySelector('tr.deciding');
    check(deciding !== null && deciding.dataset.row === String(example.explanation.deciding_row),
          name + ': the deciding row is not marked');
  } else {
    check(doc.getElementById('counterexample-tableau') !== null, name + ': no counterexample shown');
  }
  check(doc.querySelectorAll('#needed li').length === example.explanation.needed_steps.length,
        name + ': the needed steps differ');
  check(doc.querySelectorAll('#warnings li').length === example.explanation.warnings.length,
        name + ': the warnings differ');
  checkStepping(doc, name, example.explanation);
  const bytes = await downloaded(win, doc);
  check(bytes !== null && sameBytes(bytes, base64Bytes(example.output)),
        name + ': the download is not the command line\'s output file');
  if (example.latex !== undefined) {
    check(await copiedLatex(win, doc) === example.latex,
          name + ': the LaTeX copied is not the command line\'s');
  }
}

// A tableau too large to draw: the verdict, no tableau, the same download. Its input, too
// long for an address, is kept out of it.
async function checkLarge(win, doc, example) {
  win.losslessJoin.load(example.input);
  check(win.location.hash === '', example.name + ': the address holds part of the input');
  check(doc.getElementById('verdict').textContent.startsWith(example.explanation.verdict_word + ' ('),
        example.name + ': the verdict is not the command line\'s');
  check(doc.getElementById('tableaux').hidden, example.name + ': a tableau is drawn');
  const bytes = await downloaded(win, doc);
  check(bytes !== null && sameBytes(bytes, base64Bytes(example.output)),
        example.name + ': the download is not the command line\'s output file');
}

// A warning's button takes the cursor to the start of its line.
function checkWarningLink(doc, examples) {
  const example = examples.find((e) => e.explanation.warnings.length > 0);
  if (!check(example !== undefined, 'no example warns')) return;
  const warning = example.explanation.warnings[0];
  doc.querySelector('#warnings li button').click();
  const area = doc.getElementById('input');
  const lineStart = area.value.split('\n').slice(0, warning.line - 1).join('\n').length +
                    (warning.line > 1 ? 1 : 0);
  check(doc.activeElement === area && area.selectionStart === lineStart + warning.column - 1,
        example.name + ': the warning does not take the cursor to line ' + warning.line);
}

// Typing into the text area decides at once and keeps the text in the address.
async function checkTyping(win, doc, example) {
  const area = doc.getElementById('input');
  area.value = example.input.replace(/\r\n/g, '\n') + 'X';
  area.dispatchEvent(new win.Event('input', {bubbles: true}));
  area.value = area.value.slice(0, -1);
  area.dispatchEvent(new win.Event('input', {bubbles: true}));
  check(doc.getElementById('verdict').textContent.startsWith(example.explanation.verdict_word),
        'typing: the verdict does not follow the text');
  check(decodeURIComponent(win.location.hash.slice(7)) === win.losslessJoin.fileText(),
        'typing: the address does not hold the text');
}

async function checkImplies(win, doc, questions) {
  for (const question of questions) {
    await openLink(win, question.input);
    const box = doc.getElementById('implies');
    box.value = question.dependency;
    box.dispatchEvent(new win.Event('input', {bubbles: true}));
    const shown = doc.getElementById('implies-answer').textContent;
    const expected = question.answer === null ? 'is in no sub-schema' : ': ' + question.answer;
    check(shown.endsWith(expected), 'implies ' + question.dependency + ': the page says "' +
              shown + '", the command line "' + question.answer + '"');
    box.value = '';
    box.dispatchEvent(new win.Event('input', {bubbles: true}));
  }
}

// The page's own call against the command line, explanation and output bytes.
function checkRandom(win, cases) {
  for (const one of cases) {
    const answer = win.losslessJoin.decide(one.input);
    if (one.status !== 0) {
      check(answer.error !== undefined, one.name + ': the command line could not decide, the page did');
      continue;
    }
    if (!check(answer.error === undefined, one.name + ': the page could not decide: ' + answer.error)) continue;
    check(JSON.stringify(answer.explanation) === JSON.stringify(one.explanation),
          one.name + ': the explanation differs from the command line\'s');
    check(sameBytes(new TextEncoder().encode(answer.output_file), base64Bytes(one.output)),
          one.name + ': the output file differs from the command line\'s');
  }
}

async function main() {
  const started = performance.now();
  const cases = await (await fetch('cases.json')).json();
  const textbook = cases.examples.find((e) => e.name === 'two_way_split_on_key.txt');
  // The page opened by a shared link shows that link's decision at once.
  const frame = document.getElementById('page');
  frame.src = '../index.html#input=' + encodeURIComponent(textbook.input);
  await whenLoaded(frame);
  const win = frame.contentWindow;
  const doc = win.document;
  timings.load_ms = performance.now() - started;
  check(doc.getElementById('verdict').textContent === textbook.explanation.verdict_word + ' (lossless)',
        'a link does not open with its decision');
  const decideStarted = performance.now();
  win.losslessJoin.decide(textbook.input);
  timings.textbook_decide_ms = performance.now() - decideStarted;

  for (const example of cases.examples) {
    try {
      await checkExample(win, doc, example);
      if (example.explanation.warnings.length > 0) checkWarningLink(doc, [example]);
    } catch (error) {
      check(false, example.name + ': ' + error);
    }
  }
  for (const example of cases.large) await checkLarge(win, doc, example);
  await checkTyping(win, doc, textbook);
  await checkImplies(win, doc, cases.implies);
  const randomStarted = performance.now();
  checkRandom(win, cases.random);
  timings.random_inputs = cases.random.length;
  timings.random_ms = performance.now() - randomStarted;
  return {checks, failures, timings};
}

main()
    .catch((error) => ({checks, failures: failures.concat(['the check stopped: ' + error.stack]), timings}))
    .then((report) => {
      document.getElementById('log').textContent = JSON.stringify(report, null, 1);
      return fetch('/report', {method: 'POST', body: JSON.stringify(report)});
    });
