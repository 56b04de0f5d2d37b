// Writes the browser check's cases: every example and a few hundred random inputs, each with
// what the command line gives for it (its output file, its --explain=json document, its exit
// status), and a few --implies questions with the command line's answers.
// usage: node make_cases.js LOSSLESS_JOIN EXAMPLES_DIR OUT_JSON [RANDOM_COUNT]
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [tool, examplesDir, outFile, countText] = process.argv.slice(2);
const randomCount = Number(countText || 300);
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'lossless-join-web-'));

// Runs the command line with args, the input file's name put where "INPUT" stands.
function runOn(input, args) {
  const inputFile = path.join(scratch, 'input.txt');
  fs.writeFileSync(inputFile, input);
  return childProcess.spawnSync(tool, args.map((arg) => (arg === 'INPUT' ? inputFile : arg)),
                                {maxBuffer: 1 << 28});
}

// The command line's --explain=latex on one input.
function latexOf(input) {
  const run = runOn(input, ['--explain=latex', 'INPUT', path.join(scratch, 'out')]);
  return run.status === 0 ? run.stdout.toString() : null;
}

// The command line on one input: its output file's bytes, its explanation, its status.
function runTool(input) {
  const outputFile = path.join(scratch, 'output.txt');
  fs.rmSync(outputFile, {force: true});
  const run = runOn(input, ['--explain=json', 'INPUT', outputFile]);
  const decided = run.status === 0;
  return {
    status: run.status,
    output: decided ? fs.readFileSync(outputFile).toString('base64') : null,
    explanation: decided ? JSON.parse(run.stdout.toString()) : null,
  };
}

function askTool(input, dependency) {
  const run = runOn(input, ['--implies=' + dependency, 'INPUT']);
  return run.status === 0 ? 'implied' : run.status === 1 ? 'not implied' : null;
}

// A small seeded generator, so that a failure can be reproduced.
function generator(seed) {
  let state = seed >>> 0;
  return (n) => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return (((t ^ (t >>> 14)) >>> 0) % n);
  };
}

// Random inputs of every kind the reader takes: functional, multivalued and join
// dependencies, unknown names, odd spacing, CR LF line ends; most small, some past 64 rows or
// 64 columns, where the engines change their word size.
function randomInput(random, index) {
  const wide = index % 25 === 24;
  const attributeCount = wide ? 66 + random(10) : 2 + random(7);
  const names = Array.from({length: attributeCount}, (_, i) =>
      wide ? 'c' + i : String.fromCharCode(65 + i));
  const pick = (most) => {
    const chosen = names.filter(() => random(3) === 0);
    if (chosen.length === 0) chosen.push(names[random(names.length)]);
    return chosen.slice(0, most);
  };
  const rowCount = wide ? 65 + random(6) : 1 + random(5);
  const lines = [];
  for (let r = 0; r < rowCount; ++r) lines.push(pick(wide ? 8 : names.length).join(','));
  lines.push('');
  const general = !wide && attributeCount <= 6;
  const dependencyCount = random(wide ? 80 : 7);
  for (let d = 0; d < dependencyCount; ++d) {
    const kind = general ? random(10) : 0;
    if (kind === 9) {
      lines.push('*(' + pick(4).join(',') + '|' + pick(4).join(',') + ')');
    } else {
      const arrow = kind >= 7 ? '->>' : '->';
      lines.push(pick(3).join(',') + arrow + pick(3).join(', '));
    }
  }
  if (random(8) === 0) lines.push('X->' + names[0]);  // a name of no sub-schema
  const text = lines.join('\n') + (random(4) === 0 ? '' : '\n');
  return random(6) === 0 ? text.replace(/\n/g, '\r\n') : text;
}

const cases = {examples: [], random: [], implies: []};
for (const name of fs.readdirSync(examplesDir).filter((n) => n.endsWith('.txt')).sort()) {
  const input = fs.readFileSync(path.join(examplesDir, name), 'utf8');
  cases.examples.push({name, input, latex: latexOf(input), ...runTool(input)});
}
// A link keeps the bytes of what it opens, mixed line ends included, though a text area shows
// every line end as "\n".
for (const input of ['A,B\r\nB,C\n\nB->C\r\n', 'A,B\rB,C\r\rB->C\r']) {
  cases.examples.push({name: JSON.stringify(input), input, ...runTool(input)});
}
// A tableau too large to draw, and an input too long for the address: the page shows the
// verdict alone, and keeps no part of the input in the address.
{
  const names = Array.from({length: 60001}, (_, i) => 'c' + i).join(',');
  const input = names + '\n' + names + '\n\nc0->c1\n';
  cases.large = [{name: '2 x 60001', input, ...runTool(input)}];
}
const random = generator(20261210);
for (let i = 0; i < randomCount; ++i) {
  const input = randomInput(random, i);
  cases.random.push({name: 'random ' + i, input, ...runTool(input)});
}
for (const [name, dependency] of [['two_way_split_on_key.txt', 'A->C'],
                                  ['two_way_split_on_key.txt', 'B->C'],
                                  ['two_way_split_on_key.txt', 'B->Z']]) {
  const input = fs.readFileSync(path.join(examplesDir, name), 'utf8');
  cases.implies.push({name, input, dependency, answer: askTool(input, dependency)});
}
fs.writeFileSync(outFile, JSON.stringify(cases));
fs.rmSync(scratch, {recursive: true, force: true});
