// Runs the VS Code grammar (editors/vscode/syntaxes/wexlin.tmLanguage.json)
// on sample.wx with vscode-textmate and vscode-oniguruma, the engine VS Code
// itself uses, and checks the scope of every kind of token. Also checks that
// every builtin and every module function is recognised, that no visible
// character is left without a scope of its own, and that the extension's
// manifest and language configuration hang together.
//
// Usage: node test_grammar.js NODE_MODULES EXTENSION_FOLDER SAMPLE
'use strict';

const fs = require('fs');
const path = require('path');

const [nodeModules, extension, samplePath] = process.argv.slice(2);
const vsctm = require(path.join(nodeModules, 'vscode-textmate'));
const oniguruma = require(path.join(nodeModules, 'vscode-oniguruma'));

const failures = [];
function check(condition, message) {
    if (!condition) failures.push(message);
}

// [line (1-based), text, scope, occurrence on the line (1-based, default 1)]
const EXPECTED = [
    [1, '#', 'punctuation.definition.comment.wexlin'],
    [1, ' A sample holding every kind of token of Wexlin, for the grammar test.', 'comment.line.number-sign.wexlin'],
    [2, '/*', 'punctuation.definition.comment.begin.wexlin'],
    [3, '   over two lines ', 'comment.block.wexlin'],
    [3, '*/', 'punctuation.definition.comment.end.wexlin'],
    [4, 'use', 'keyword.control.import.wexlin'],
    [4, 'files', 'entity.name.namespace.wexlin'],
    [5, 'alice.math', 'entity.name.namespace.wexlin'],
    [5, 'as', 'keyword.control.import.wexlin'],
    [5, 'm', 'entity.name.namespace.wexlin', 2],
    [6, '{', 'punctuation.section.braces.begin.wexlin'],
    [6, 'get', 'variable.other.wexlin'],
    [6, ',', 'punctuation.separator.comma.wexlin'],
    [7, 'sdl2', 'entity.name.namespace.wexlin'],
    [7, ';', 'punctuation.terminator.statement.wexlin'],
    [9, 'global', 'storage.modifier.global.wexlin'],
    [9, 'total', 'variable.other.wexlin'],
    [10, 'let', 'storage.type.variable.wexlin'],
    [10, 'count', 'variable.other.wexlin'],
    [10, '=', 'keyword.operator.assignment.wexlin'],
    [10, '42', 'constant.numeric.integer.wexlin'],
    [11, '3.25', 'constant.numeric.float.wexlin'],
    [12, 'café', 'variable.other.wexlin'],
    [12, '"', 'punctuation.definition.string.begin.wexlin'],
    [12, 'caf\\u00e9 ', 'string.quoted.double.wexlin'],
    [12, '\\"', 'constant.character.escape.wexlin'],
    [12, '\\\\', 'constant.character.escape.wexlin'],
    [12, '\\n', 'constant.character.escape.wexlin'],
    [12, '\\t', 'constant.character.escape.wexlin'],
    [12, '\\r', 'constant.character.escape.wexlin'],
    [12, '\\0', 'constant.character.escape.wexlin'],
    [12, '"', 'punctuation.definition.string.end.wexlin', 4],
    [13, 'one', 'string.quoted.double.wexlin'],
    [14, 'two', 'string.quoted.double.wexlin'],
    [14, '"', 'punctuation.definition.string.end.wexlin'],
    [15, 'def', 'storage.type.function.wexlin'],
    [15, 'area', 'entity.name.function.wexlin'],
    [15, '(', 'punctuation.section.parameters.begin.wexlin'],
    [15, 'width', 'variable.parameter.wexlin'],
    [15, ',', 'punctuation.separator.parameters.wexlin'],
    [15, 'height', 'variable.parameter.wexlin'],
    [15, ')', 'punctuation.section.parameters.end.wexlin'],
    [16, 'return', 'keyword.control.flow.wexlin'],
    [16, '*', 'keyword.operator.arithmetic.wexlin'],
    [17, '}', 'punctuation.section.braces.end.wexlin'],
    [18, 'name', 'variable.other.property.wexlin'],
    [18, ':', 'punctuation.separator.key-value.wexlin'],
    [18, '"Rex"', 'string.quoted.double.wexlin'],
    [19, '[', 'punctuation.section.brackets.begin.wexlin'],
    [19, '2.5', 'constant.numeric.float.wexlin'],
    [19, 'true', 'constant.language.boolean.wexlin'],
    [19, 'false', 'constant.language.boolean.wexlin'],
    [19, ']', 'punctuation.section.brackets.end.wexlin'],
    [20, '+=', 'keyword.operator.assignment.compound.wexlin'],
    [20, '-=', 'keyword.operator.assignment.compound.wexlin'],
    [20, '*=', 'keyword.operator.assignment.compound.wexlin'],
    [20, '/=', 'keyword.operator.assignment.compound.wexlin'],
    [21, '+', 'keyword.operator.arithmetic.wexlin'],
    [21, '-', 'keyword.operator.arithmetic.wexlin'],
    [21, '/', 'keyword.operator.arithmetic.wexlin'],
    [21, '%', 'keyword.operator.arithmetic.wexlin'],
    [21, '**', 'keyword.operator.arithmetic.wexlin'],
    [22, '==', 'keyword.operator.comparison.wexlin'],
    [22, '!=', 'keyword.operator.comparison.wexlin'],
    [22, '<', 'keyword.operator.comparison.wexlin'],
    [22, '>', 'keyword.operator.comparison.wexlin'],
    [22, '<=', 'keyword.operator.comparison.wexlin'],
    [22, '>=', 'keyword.operator.comparison.wexlin'],
    [23, 'not', 'keyword.operator.logical.wexlin'],
    [23, 'and', 'keyword.operator.logical.wexlin'],
    [23, 'or', 'keyword.operator.logical.wexlin'],
    [23, '!', 'keyword.operator.logical.wexlin'],
    [24, 'for', 'keyword.control.loop.wexlin'],
    [24, 'in', 'keyword.control.loop.wexlin'],
    [24, '0', 'constant.numeric.integer.wexlin'],
    [24, '..', 'keyword.operator.range.wexlin'],
    [24, '10', 'constant.numeric.integer.wexlin'],
    [25, 'if', 'keyword.control.conditional.wexlin'],
    [25, 'break', 'keyword.control.loop.wexlin'],
    [25, 'else', 'keyword.control.conditional.wexlin'],
    [25, 'continue', 'keyword.control.loop.wexlin'],
    [27, 'while', 'keyword.control.loop.wexlin'],
    [28, 'match', 'keyword.control.conditional.wexlin'],
    [29, '=>', 'keyword.operator.arrow.wexlin'],
    [29, 'print', 'support.function.builtin.wexlin'],
    [29, '(', 'punctuation.section.parens.begin.wexlin'],
    [29, ')', 'punctuation.section.parens.end.wexlin'],
    [30, '_', 'variable.language.wildcard.wexlin'],
    [30, 'info', 'variable.other.wexlin'],
    [30, '.', 'punctuation.accessor.wexlin'],
    [30, 'name', 'variable.other.property.wexlin'],
    [32, 'try', 'keyword.control.exception.wexlin'],
    [32, 'area', 'entity.name.function.call.wexlin'],
    [32, 'catch', 'keyword.control.exception.wexlin'],
    [32, 'e', 'variable.other.wexlin', 3],
    [33, 'len', 'support.function.builtin.wexlin'],
    [33, 'files', 'support.class.module.wexlin'],
    [33, 'read', 'support.function.module.wexlin'],
    [33, 'm', 'entity.name.namespace.wexlin', 2],
    [33, 'square', 'entity.name.function.call.wexlin'],
    [34, 'sdl2', 'support.class.module.wexlin'],
    [34, 'create_window', 'support.function.module.wexlin'],
    [34, '640', 'constant.numeric.integer.wexlin'],
    [35, '->', 'keyword.operator.arrow.wexlin'],
    [35, '?', 'keyword.operator.question.wexlin'],
    [36, '&&', 'invalid.illegal.character.wexlin'],
    [36, '||', 'invalid.illegal.character.wexlin'],
];

const BUILTINS = ['print', 'input', 'len', 'upper', 'lower', 'slice', 'contains', 'split', 'concat', 'push', 'pop',
    'reverse', 'abs', 'sqrt', 'pow', 'min', 'max', 'floor', 'ceil', 'round', 'random', 'random_range', 'typeof',
    'is_number', 'is_string', 'is_array', 'is_dict', 'window', 'window_width', 'window_height', 'clear', 'present',
    'is_open', 'rect', 'circle', 'triangle', 'color', 'fill', 'draw'];
const MODULE_FUNCTIONS = {
    files: ['read', 'write', 'append', 'delete', 'exists', 'create_folder', 'delete_folder', 'list', 'is_file',
        'is_folder', 'start'],
    http: ['page', 'serve', 'template', 'json', 'status', 'send', 'get', 'post'],
    sdl2: ['init', 'create_window', 'destroy_window', 'set_window_title', 'set_window_mode', 'get_window_mode',
        'clear_screen', 'render_present', 'set_draw_color', 'set_max_fps', 'delta_time', 'draw_point', 'draw_line',
        'draw_rect', 'fill_rect', 'draw_circle', 'fill_circle', 'draw_triangle', 'fill_triangle', 'fill_polygon',
        'draw_polygon', 'get_window_width', 'get_window_height', 'is_window_open', 'get_input_pressed',
        'get_input_released', 'get_input_held'],
};

async function load() {
    const wasm = fs.readFileSync(path.join(nodeModules, 'vscode-oniguruma', 'release', 'onig.wasm')).buffer;
    await oniguruma.loadWASM(wasm);
    const grammarPath = path.join(extension, 'syntaxes', 'wexlin.tmLanguage.json');
    const registry = new vsctm.Registry({
        onigLib: Promise.resolve({
            createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
            createOnigString: (text) => new oniguruma.OnigString(text),
        }),
        loadGrammar: async (scopeName) => scopeName === 'source.wexlin'
            ? vsctm.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath)
            : null,
    });
    return registry.loadGrammar('source.wexlin');
}

function tokenize(grammar, text) {
    let stack = vsctm.INITIAL;
    return text.split('\n').map((line) => {
        const result = grammar.tokenizeLine(line, stack);
        stack = result.ruleStack;
        // The engine counts the line's end as one more character.
        const tokens = result.tokens.map((t) => ({ ...t, endIndex: Math.min(t.endIndex, line.length) }))
            .filter((t) => t.startIndex < t.endIndex);
        return { line, tokens };
    });
}

function show(row) {
    return row.tokens.map((t) => `${JSON.stringify(row.line.slice(t.startIndex, t.endIndex))} ${t.scopes.slice(1).join(' ')}`)
        .join('\n    ');
}

// The tokens that exactly cover the nth occurrence of text on the line all
// carry scope.
function hasScope(row, text, scope, occurrence = 1) {
    let start = -1;
    for (let n = 0; n < occurrence; ++n) {
        start = row.line.indexOf(text, start + 1);
        if (start < 0) return `"${text}" (occurrence ${occurrence}) not on the line`;
    }
    const end = start + text.length;
    const covering = row.tokens.filter((t) => t.startIndex < end && t.endIndex > start);
    if (covering.length === 0 || covering[0].startIndex !== start || covering[covering.length - 1].endIndex !== end)
        return `"${text}" is not a whole token`;
    const missing = covering.find((t) => !t.scopes.includes(scope));
    if (missing) return `"${text}" has scopes ${missing.scopes.join(' ')}, not ${scope}`;
    return null;
}

function checkManifest() {
    const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8'));
    const language = manifest.contributes.languages[0];
    const grammar = manifest.contributes.grammars[0];
    check(language.id === 'wexlin' && language.extensions.includes('.wx'), 'the extension claims .wx files');
    check(grammar.language === 'wexlin' && grammar.scopeName === 'source.wexlin', 'the grammar entry names the language');
    check(fs.existsSync(path.join(extension, grammar.path)), 'the grammar file named by package.json exists');
    const configPath = path.join(extension, language.configuration);
    check(fs.existsSync(configPath), 'the language configuration named by package.json exists');
    const config = JSON.parse(fs.readFileSync(configPath, 'utf8'));
    check(config.comments.lineComment === '#', 'line comments start with #');
    check(JSON.stringify(config.comments.blockComment) === '["/*","*/"]', 'block comments are /* */');
    for (const pair of ['{}', '[]', '()'])
        check(config.brackets.some((b) => b.join('') === pair), `brackets ${pair}`);
    const raw = JSON.parse(fs.readFileSync(path.join(extension, grammar.path), 'utf8'));
    check(raw.scopeName === 'source.wexlin', 'the grammar\'s scope name');
}

async function main() {
    checkManifest();
    const grammar = await load();
    const rows = tokenize(grammar, fs.readFileSync(samplePath, 'utf8'));

    for (const [line, text, scope, occurrence] of EXPECTED) {
        const problem = hasScope(rows[line - 1], text, scope, occurrence);
        if (problem) failures.push(`sample line ${line}: ${problem}\n    ${show(rows[line - 1])}`);
    }

    // Every visible character belongs to some construct.
    rows.forEach((row, i) => {
        for (const t of row.tokens) {
            const text = row.line.slice(t.startIndex, t.endIndex);
            if (text.trim() !== '' && t.scopes.length < 2)
                failures.push(`sample line ${i + 1}: "${text}" has no scope of its own`);
        }
    });

    // Every builtin called by plain name, every module function called
    // through its module.
    const calls = BUILTINS.map((name) => `${name}(1)`);
    for (const [module, names] of Object.entries(MODULE_FUNCTIONS))
        for (const name of names) calls.push(`${module}.${name}(1)`);
    const callRows = tokenize(grammar, calls.join('\n'));
    BUILTINS.forEach((name, i) => {
        const problem = hasScope(callRows[i], name, 'support.function.builtin.wexlin');
        if (problem) failures.push(`builtin ${name}: ${problem}`);
    });
    let i = BUILTINS.length;
    for (const [module, names] of Object.entries(MODULE_FUNCTIONS)) {
        for (const name of names) {
            const row = callRows[i++];
            const problem = hasScope(row, module, 'support.class.module.wexlin') ||
                hasScope(row, name, 'support.function.module.wexlin');
            if (problem) failures.push(`${module}.${name}: ${problem}`);
        }
    }
    // A name that merely starts like a builtin or keyword is a plain name.
    const plain = tokenize(grammar, 'printer(1) + lets + for_each + Let')[0];
    for (const name of ['lets', 'for_each', 'Let'])
        check(hasScope(plain, name, 'variable.other.wexlin') === null, `${name} is a plain name`);
    check(hasScope(plain, 'printer', 'entity.name.function.call.wexlin') === null, 'printer( is a user call');

    if (failures.length) {
        console.log(failures.join('\n'));
        console.log(`${failures.length} failures`);
        process.exit(1);
    }
    console.log(`grammar: ${EXPECTED.length} token checks, ${calls.length} calls, all passed`);
}

main().catch((error) => {
    console.log(error.stack || String(error));
    process.exit(1);
});
