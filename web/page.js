// The page around the C++ core: it passes the input file's text to the core, and draws the
// JSON that comes back. Every verdict, tableau and step comes from the core; the page only
// replays the recorded steps to show the tableau between them.
'use strict';

(function () {
  const kStartExample = 'A,B\nB,C\nC,D\n\nC->D\nB->C\n';
  const kMostRowsDrawn = 300;  // a tableau larger than this shows its first rows only
  const kLongestAddressInput = 1 << 20;  // characters of the URL-encoded input

  const $ = (id) => document.getElementById(id);
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();

  // ---- Calls into the core -------------------------------------------------------------

  let core = null;

  // Calls the exported function name with the texts as (bytes, length) pairs, and parses the
  // JSON document it returns.
  function callCore(name, ...texts) {
    const pointers = [];
    const args = [];
    try {
      for (const text of texts) {
        const bytes = encoder.encode(text);
        const pointer = core._malloc(bytes.length + 1);
        pointers.push(pointer);
        core.HEAPU8.set(bytes, pointer);
        args.push(pointer, bytes.length);
      }
      return JSON.parse(core.UTF8ToString(core['_' + name](...args)));
    } finally {
      pointers.forEach((pointer) => core._free(pointer));
    }
  }

  // The page's one call for a verdict: the explanation and the output file's bytes.
  const decide = (fileText) => callCore('lj_decide', fileText);
  const latex = (fileText) => callCore('lj_latex', fileText);
  const implies = (fileText, dependency) => callCore('lj_implies', fileText, dependency);

  // ---- The input: the text area holds it with "\n" line ends --------------------------

  // What was loaded (a link, an example, a file) exactly as it was, until it is edited: a
  // text area turns every line end into "\n", and the output file keeps the input's bytes.
  let loaded = null;

  const normalized = (text) => text.replace(/\r\n?/g, '\n');

  function fileText() {
    const typed = $('input').value;
    if (loaded !== null && normalized(loaded) === typed) return loaded;
    return $('crlf').checked ? typed.replace(/\n/g, '\r\n') : typed;
  }

  function load(text) {
    loaded = text;
    $('input').value = normalized(text);
    $('crlf').checked = /\r\n/.test(text);
    update();
  }

  function inputFromAddress() {
    const hash = window.location.hash;
    if (!hash.startsWith('#input=')) return null;
    try {
      return decodeURIComponent(hash.slice('#input='.length));
    } catch (error) {
      return null;
    }
  }

  // Browsers refuse or cut addresses of a few megabytes: a larger input leaves the address
  // without one rather than with part of it.
  function keepInAddress(text) {
    const encoded = encodeURIComponent(text);
    const hash = encoded.length <= kLongestAddressInput ? '#input=' + encoded : '';
    if (window.location.hash === hash) return;
    try {
      history.replaceState(null, '', hash || window.location.pathname + window.location.search);
    } catch (error) {
      // The address stays as it was; the page works without it.
    }
  }

  // ---- Drawing -------------------------------------------------------------------------

  function element(tag, text, className) {
    const node = document.createElement(tag);
    if (text !== undefined) node.textContent = text;
    if (className) node.className = className;
    return node;
  }

  // A symbol as the books write it: a, or b with its number as a subscript.
  function symbol(text) {
    const node = document.createDocumentFragment();
    if (text === 'a') {
      node.appendChild(element('span', 'a', 'symbol distinguished'));
      return node;
    }
    const b = element('span', 'b', 'symbol');
    b.appendChild(element('sub', text.slice(1)));
    node.appendChild(b);
    return node;
  }

  // A tableau as a table: a header of columns, a header cell for each row's label. marks
  // tells which cells to highlight ("row,column" in changed), which rows were added, and the
  // deciding row.
  function drawTableau(container, id, caption, tableau, marks = {}) {
    container.textContent = '';
    const wrapper = element('div', undefined, 'scroll');
    const table = element('table');
    table.id = id;
    table.appendChild(element('caption', caption));
    const head = table.createTHead().insertRow();
    const corner = element('th', 'Row');
    corner.scope = 'col';
    head.appendChild(corner);
    for (const column of tableau.columns) {
      const th = element('th', column);
      th.scope = 'col';
      head.appendChild(th);
    }
    const body = table.createTBody();
    const rows = tableau.rows.slice(0, kMostRowsDrawn);
    for (const row of rows) {
      const tr = body.insertRow();
      tr.dataset.row = row.row;
      const th = element('th', row.label);
      th.scope = 'row';
      if (marks.addedRow === row.row) tr.classList.add('added');
      if (marks.decidingRow === row.row) {
        tr.classList.add('deciding');
        th.appendChild(element('span', ' (all a)', 'tag'));
      }
      tr.appendChild(th);
      row.cells.forEach((cell, c) => {
        const td = tr.insertCell();
        td.dataset.column = tableau.columns[c];
        td.dataset.symbol = cell;
        td.appendChild(symbol(cell));
        if (marks.changed && marks.changed.has(row.row + ',' + c)) {
          td.classList.add('changed');
          td.appendChild(element('span', ' (changed)', 'visually-hidden'));
        }
      });
    }
    wrapper.appendChild(table);
    container.appendChild(wrapper);
    if (tableau.rows.length > rows.length) {
      container.appendChild(element('p', 'The first ' + rows.length + ' of ' +
                                          tableau.rows.length + ' rows are shown.', 'help'));
    }
  }

  // ---- Stepping ------------------------------------------------------------------------

  let current = null;  // the explanation shown, and the state of the tableau last replayed
  let stepShown = 0;

  // The tableau after step number, replayed from the initial one as the steps record it: an
  // equalization turns every cell of its column that holds its "from" symbol into its "to"
  // symbol; an added row is appended. Only the state last asked for is kept, so that stepping
  // on costs one step, and a long chase does not keep a tableau per step.
  function stateAt(number) {
    const explanation = current.explanation;
    if (current.state === null || number < current.state.number) {
      const rows = explanation.initial_tableau.rows.map(
          (row) => ({row: row.row, label: row.label, cells: row.cells.slice()}));
      current.state = {number: 0, rows, changed: new Set(), addedRow: null};
    }
    const state = current.state;
    const columns = explanation.initial_tableau.columns;
    while (state.number < number) {
      const step = explanation.steps[state.number++];
      state.changed = new Set();
      state.addedRow = null;
      if (step.kind === 'equalization') {
        const c = columns.indexOf(step.column);
        for (const row of state.rows) {
          if (row.cells[c] === step.from) {
            row.cells[c] = step.to;
            state.changed.add(row.row + ',' + c);
          }
        }
      } else {
        state.rows.push({row: step.row, label: step.row + ' (added)', cells: step.cells.slice()});
        state.addedRow = step.row;
      }
    }
    return state;
  }

  function stepText(step, number) {
    const where = 'line ' + step.line + ', ' + step.dependency;
    if (step.kind === 'equalization') {
      return 'Step ' + number + ' (' + where + '): rows ' + step.rows[0] + ' and ' +
             step.rows[1] + ' agree on the left side, so ' + step.from + ' becomes ' + step.to +
             ' in column ' + step.column + ' (' + step.cells_changed +
             (step.cells_changed === 1 ? ' cell).' : ' cells).');
    }
    return 'Step ' + number + ' (' + where + '): rows ' + step.from_rows.join(', ') +
           ' give the new row ' + step.row + '.';
  }

  function showStep(number) {
    if (current === null) return;
    const last = current.explanation.steps.length;
    stepShown = Math.max(0, Math.min(number, last));
    const state = stateAt(stepShown);
    const columns = current.explanation.initial_tableau.columns;
    $('step-label').textContent = 'Step ' + stepShown + ' of ' + last;
    $('step-text').textContent = stepShown === 0
        ? 'The initial tableau: a where the row\'s sub-schema holds the column.'
        : stepText(current.explanation.steps[stepShown - 1], stepShown);
    drawTableau($('step'), 'step-tableau', 'After step ' + stepShown, {columns, rows: state.rows},
                {changed: state.changed, addedRow: state.addedRow});
    $('step-first').disabled = $('step-back').disabled = stepShown === 0;
    $('step-forward').disabled = $('step-last').disabled = stepShown === last;
  }

  function showNeeded(explanation) {
    const list = $('needed');
    list.textContent = '';
    for (const number of explanation.needed_steps) {
      const item = element('li');
      const button = element('button', stepText(explanation.steps[number - 1], number), 'link');
      button.type = 'button';
      button.addEventListener('click', () => {
        showStep(number);
        $('step-label').scrollIntoView({block: 'nearest'});
      });
      item.appendChild(button);
      list.appendChild(item);
    }
    $('needed-none').hidden = explanation.needed_steps.length !== 0 ||
                              explanation.verdict !== 'lossless';
  }

  // ---- The verdict and what goes with it ------------------------------------------------

  let lastAnswer = null;

  function showWarnings(warnings) {
    const list = $('warnings');
    list.textContent = '';
    for (const warning of warnings) {
      const item = element('li');
      const button = element('button', 'Line ' + warning.line + ', column ' + warning.column +
                                           ': ' + warning.message, 'link');
      button.type = 'button';
      button.addEventListener('click', () => goToLine(warning.line, warning.column));
      item.appendChild(button);
      list.appendChild(item);
    }
    $('warnings-box').hidden = warnings.length === 0;
  }

  // Puts the cursor in the text area at a line and byte column, both counted from 1.
  function goToLine(line, column) {
    const area = $('input');
    const lines = area.value.split('\n');
    let offset = 0;
    for (let i = 0; i < line - 1 && i < lines.length; ++i) offset += lines[i].length + 1;
    const text = lines[Math.min(line, lines.length) - 1] || '';
    const bytes = encoder.encode(text).slice(0, Math.max(0, column - 1));
    offset += decoder.decode(bytes).replace(/\uFFFD$/, '').length;
    area.focus();
    area.setSelectionRange(offset, offset);
  }

  function preservationText(explanation) {
    if (explanation.dependency_preserving === null) return 'Dependency preservation: not decided.';
    if (explanation.dependency_preserving) return 'The decomposition preserves the dependencies.';
    return 'The decomposition does not preserve ' +
           explanation.not_preserved.map((d) => d.dependency + ' (line ' + d.line + ')')
               .join(', ') + '.';
  }

  function showVerdict(verdict, word) {
    $('verdict').textContent = word + ' (' + verdict + ')';
    $('verdict').className = verdict;
  }

  function clearTableaux() {
    current = null;
    $('tableaux').hidden = true;
    for (const id of ['initial', 'step', 'final', 'counterexample', 'needed']) $(id).textContent = '';
  }

  function showFailure(message) {
    clearTableaux();
    $('verdict').textContent = 'Not decided: ' + message;
    $('verdict').className = 'failed';
    $('verdict-reason').textContent = '';
    $('preservation').textContent = '';
    showWarnings([]);
  }

  // A tableau too large to draw: the verdict and the warnings only.
  function showVerdictOnly(answer) {
    clearTableaux();
    showVerdict(answer.verdict, answer.verdict_word);
    $('verdict-reason').textContent = 'The tableau has ' + answer.cells + ' cells, too many to ' +
                                      'draw here: lossless-join --explain shows them.';
    $('preservation').textContent = '';
    showWarnings(answer.warnings);
  }

  function showAnswer(answer) {
    const explanation = answer.explanation;
    const lossless = explanation.verdict === 'lossless';
    showVerdict(explanation.verdict, explanation.verdict_word);
    $('verdict-reason').textContent = lossless
        ? 'Row ' + explanation.deciding_row + ' of the final tableau is all a.'
        : 'No row of the final tableau is all a: read as a relation, it is a counterexample.';
    $('preservation').textContent = preservationText(explanation);
    showWarnings(explanation.warnings);
    current = {explanation, state: null};
    $('tableaux').hidden = false;
    drawTableau($('initial'), 'initial-tableau', 'Initial tableau', explanation.initial_tableau);
    drawTableau($('final'), 'final-tableau', 'Final tableau', explanation.final_tableau,
                {decidingRow: explanation.deciding_row});
    if (explanation.counterexample) {
      drawTableau($('counterexample'), 'counterexample-tableau',
                  'Counterexample: this relation satisfies every dependency, yet the join of ' +
                      'its projections holds the all-a row, which the relation lacks',
                  explanation.counterexample);
    } else {
      $('counterexample').textContent = '';
    }
    showNeeded(explanation);
    showStep(stepShown);
  }

  function update() {
    if (core === null) return;
    const text = fileText();
    keepInAddress(text);
    const answer = decide(text);
    lastAnswer = answer;
    if (answer.error !== undefined) {
      showFailure(answer.error);
    } else if (answer.explanation === null) {
      showVerdictOnly(answer);
    } else {
      showAnswer(answer);
    }
    updateImplies();
  }

  function updateImplies() {
    const asked = $('implies').value.trim();
    if (core === null || asked === '') {
      $('implies-answer').textContent = '';
      $('implies-explanation').textContent = '';
      return;
    }
    const answer = implies(fileText(), asked);
    if (answer.error !== undefined) {
      $('implies-answer').textContent = 'Not decided: ' + answer.error;
      $('implies-explanation').textContent = '';
    } else if (answer.answer === null) {
      $('implies-answer').textContent = answer.message.replace(/^lossless-join: /, '');
      $('implies-explanation').textContent = '';
    } else {
      $('implies-answer').textContent = asked + ': ' + answer.answer;
      $('implies-explanation').textContent = answer.explanation;
    }
  }

  // ---- Output file and LaTeX -----------------------------------------------------------

  function download() {
    if (lastAnswer === null || lastAnswer.output_file === undefined) return;
    const blob = new Blob([encoder.encode(lastAnswer.output_file)], {type: 'text/plain'});
    const link = element('a');
    link.href = URL.createObjectURL(blob);
    const chosen = $('example').value;
    link.download = chosen ? chosen.replace(/\.txt$/, '') + '.out.txt' : 'output.txt';
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 0);
  }

  async function copyLatex() {
    const answer = latex(fileText());
    const text = answer.error !== undefined ? '% Not decided: ' + answer.error : answer.latex;
    let copied = false;
    try {
      await navigator.clipboard.writeText(text);
      copied = true;
    } catch (error) {
      // Without the clipboard API (a page not served from a secure origin): copy by selection.
      const area = element('textarea');
      area.value = text;
      document.body.appendChild(area);
      area.select();
      copied = document.execCommand('copy');
      area.remove();
    }
    $('copied').textContent = copied ? 'LaTeX copied.' : 'The browser did not let the page copy.';
  }

  // ---- Wiring --------------------------------------------------------------------------

  async function fillExampleMenu() {
    try {
      const response = await fetch('examples/index.json');
      if (!response.ok) return;
      for (const name of await response.json()) {
        const option = element('option', name.replace(/\.txt$/, '').replace(/_/g, ' '));
        option.value = name;
        $('example').appendChild(option);
      }
    } catch (error) {
      // The menu stays empty: the page works without it.
    }
  }

  async function loadExample(name) {
    const response = await fetch('examples/' + encodeURIComponent(name));
    if (response.ok) load(decoder.decode(await response.arrayBuffer()));
  }

  async function openFile(file) {
    $('example').value = '';
    load(decoder.decode(await file.arrayBuffer()));
  }

  function wire() {
    $('input').addEventListener('input', () => {
      $('example').value = '';
      update();
    });
    $('crlf').addEventListener('change', () => {
      loaded = null;
      update();
    });
    $('example').addEventListener('change', (event) => {
      if (event.target.value) loadExample(event.target.value);
    });
    $('open').addEventListener('change', (event) => {
      if (event.target.files.length) openFile(event.target.files[0]);
    });
    $('step-first').addEventListener('click', () => showStep(0));
    $('step-back').addEventListener('click', () => showStep(stepShown - 1));
    $('step-forward').addEventListener('click', () => showStep(stepShown + 1));
    $('step-last').addEventListener('click', () => showStep(Infinity));
    $('download').addEventListener('click', download);
    $('copy-latex').addEventListener('click', copyLatex);
    $('implies').addEventListener('input', updateImplies);
    window.addEventListener('hashchange', () => {
      const text = inputFromAddress();
      if (text !== null && text !== fileText()) load(text);
    });
  }

  // The text shows at once; it is decided when the core has loaded.
  const linked = inputFromAddress();
  load(linked !== null ? linked : kStartExample);
  const ready = createLosslessJoin().then(
      (module) => {
        core = module;
        update();
      },
      (error) => {
        $('verdict').textContent = 'The page could not load its WebAssembly (' + error +
                                   '): serve its folder over HTTP, not as a file.';
        $('verdict').className = 'failed';
      });
  // The page's calls, for scripts and tests: they run what the page runs.
  window.losslessJoin = {ready, decide, latex, implies, load, fileText};

  wire();
  fillExampleMenu();
})();
