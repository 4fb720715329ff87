// emx31-dap driven by @vscode/debugadapter-testsupport, the client VS Code's adapters are tested
// with: a whole session on the simulated EMX31, then the mistakes a client or a user can make.
'use strict';
const assert = require('assert');
const path = require('path');
const { DebugClient } = require('@vscode/debugadapter-testsupport');

const adapter = process.env.EMX31_DAP;
const programDir = process.env.DEBUG_PROGRAM_DIR;
const sourceDir = process.env.DEBUG_SOURCE_DIR;
const source = (name) => path.join(sourceDir, name);
const launchArgs = (extra) => Object.assign({
    program: path.join(programDir, 'prog.ihx'), simulate: true, sourceDirectories: [sourceDir],
}, extra || {});

describe('emx31-dap', function () {
    this.timeout(30000);
    let dc;
    beforeEach(async () => {
        dc = new DebugClient(adapter, '', 'emx31');
        dc.defaultTimeout = 15000;  // a loaded CI machine, not the adapter, is what a shorter wait would measure
        await dc.start();
    });
    afterEach(async () => dc.stop());

    const variablesOf = async (ref) => (await dc.variablesRequest({ variablesReference: ref })).body.variables;
    const byName = (vars, name) => {
        const v = vars.find((x) => x.name === name);
        assert.ok(v, `no variable ${name} in ${vars.map((x) => x.name).join(', ')}`);
        return v;
    };

    it('runs a whole session: breakpoints, stack, variables, stepping, memory, disassembly, pause', async () => {
        const init = await dc.initializeRequest({ adapterID: 'emx31', linesStartAt1: true, columnsStartAt1: true });
        assert.strictEqual(init.body.supportsConfigurationDoneRequest, true);
        assert.strictEqual(init.body.supportsDisassembleRequest, true);
        assert.strictEqual(init.body.supportsStepBack, false);

        await dc.hitBreakpoint(launchArgs(), { path: source('shapes.c'), line: 6 });

        const stack = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames;
        assert.deepStrictEqual(stack.map((f) => f.name), ['shape_area', 'main']);
        assert.strictEqual(stack[1].line, 55);
        assert.strictEqual(stack[1].source.path, source('main.c'));

        const scopes = (await dc.scopesRequest({ frameId: stack[0].id })).body.scopes;
        assert.deepStrictEqual(scopes.map((s) => s.name), ['Locals', 'Globals', 'Registers', 'SFRs']);
        const s = byName(await variablesOf(scopes[0].variablesReference), 's');
        assert.strictEqual(s.type, '__xdata struct shape *');
        assert.strictEqual(s.value, 'X:0x0002');
        // A pointer expands to what it points at, a struct to its members, an array to elements.
        const pointee = byName(await variablesOf(s.variablesReference), '*s');
        const members = await variablesOf(pointee.variablesReference);
        assert.deepStrictEqual(members.map((m) => m.name), ['kind', 'corner', 'area', 'name']);
        const corners = await variablesOf(byName(members, 'corner').variablesReference);
        assert.deepStrictEqual(corners.map((c) => c.name), ['[0]', '[1]']);
        const corner1 = await variablesOf(corners[1].variablesReference);
        assert.strictEqual(byName(corner1, 'y').value, '310');
        assert.strictEqual(byName(corner1, 'y').evaluateName, '(*s).corner[1].y');
        const registers = await variablesOf(scopes[2].variablesReference);
        assert.strictEqual(byName(registers, 'PC').value, String(parseInt(stack[0].instructionPointerReference, 16)));
        const sfrs = await variablesOf(scopes[3].variablesReference);
        assert.strictEqual(byName(sfrs, 'TMOD').value, "2 '\\002'");

        const hover = await dc.evaluateRequest({ expression: 'box.corner[1].y - box.corner[0].y', frameId: stack[0].id, context: 'hover' });
        assert.strictEqual(hover.body.result, '10');
        const globals = await variablesOf(scopes[1].variablesReference);
        byName(globals, 'counter32');
        const set = await dc.setVariableRequest({ variablesReference: scopes[1].variablesReference, name: 'counter32', value: '7' });
        assert.strictEqual(set.body.value, '7');
        assert.strictEqual((await dc.evaluateRequest({ expression: 'counter32 * 6', frameId: stack[0].id, context: 'repl' })).body.result, '42');

        await Promise.all([dc.nextRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { path: source('shapes.c'), line: 7 })]);
        await Promise.all([dc.stepOutRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { path: source('main.c'), line: 55 })]);
        await Promise.all([dc.nextRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { path: source('main.c'), line: 56 })]);
        await Promise.all([dc.stepInRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { path: source('arith.c'), line: 18 })]);

        // Memory: one reference per 8051 space.
        const memory = await dc.customRequest('readMemory', { memoryReference: 'xdata:0x0002', count: 3 });
        assert.deepStrictEqual([...Buffer.from(memory.body.data, 'base64')], [3, 0xFE, 0x2C]);
        await dc.customRequest('writeMemory', { memoryReference: 'xdata', offset: 0x20, data: Buffer.from([0xAB, 0xCD]).toString('base64') });
        const back = await dc.customRequest('readMemory', { memoryReference: 'xdata:0x0020', count: 2 });
        assert.deepStrictEqual([...Buffer.from(back.body.data, 'base64')], [0xAB, 0xCD]);

        const ip = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0].instructionPointerReference;
        const dis = await dc.customRequest('disassemble', { memoryReference: ip, instructionOffset: -2, instructionCount: 5 });
        assert.strictEqual(dis.body.instructions.length, 5);
        assert.strictEqual(dis.body.instructions[2].address, ip);
        assert.strictEqual(dis.body.instructions[2].line, 18);
        assert.ok(parseInt(dis.body.instructions[1].address, 16) < parseInt(ip, 16));

        // A program that runs for ever, paused while it runs and paused before its run has begun.
        await dc.setBreakpointsRequest({ source: { path: source('shapes.c') }, breakpoints: [] });
        const pausedAfter = async (ms) => {
            const stopped = dc.waitForEvent('stopped');
            await dc.continueRequest({ threadId: 1 });
            if (ms) await new Promise((r) => setTimeout(r, ms));
            await dc.pauseRequest({ threadId: 1 });
            assert.strictEqual((await stopped).body.reason, 'pause');
        };
        await pausedAfter(200);
        await pausedAfter(0);
        await pausedAfter(200);
        await dc.disconnectRequest({});
    });

    it('moves breakpoints to code, honours conditions and hit counts, and breaks on functions and instructions', async () => {
        await dc.initializeRequest({ adapterID: 'emx31' });
        await Promise.all([dc.launch(launchArgs({ stopOnEntry: true })), dc.waitForEvent('initialized')]);
        const lines = await dc.setBreakpointsRequest({
            source: { path: source('main.c') },
            breakpoints: [{ line: 32 }, { line: 200 }],
        });
        assert.strictEqual(lines.body.breakpoints[0].verified, true);
        assert.strictEqual(lines.body.breakpoints[0].line, 35);
        assert.strictEqual(lines.body.breakpoints[1].verified, false);
        assert.match(lines.body.breakpoints[1].message, /no code at or after line 200/);
        await dc.setBreakpointsRequest({ source: { path: source('main.c') }, breakpoints: [] });
        const functions = await dc.setFunctionBreakpointsRequest({ breakpoints: [{ name: 'factorial', condition: 'n == 3' }, { name: 'nosuch' }] });
        assert.strictEqual(functions.body.breakpoints[0].verified, true);
        assert.strictEqual(functions.body.breakpoints[1].verified, false);
        await Promise.all([dc.configurationDoneRequest(), dc.assertStoppedLocation('entry', { path: source('main.c'), line: 35 })]);

        await Promise.all([dc.continueRequest({ threadId: 1 }), dc.assertStoppedLocation('breakpoint', { path: source('arith.c'), line: 8 })]);
        const frames = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames;
        assert.strictEqual((await dc.evaluateRequest({ expression: 'n', frameId: frames[0].id })).body.result, "3 '\\003'");
        assert.strictEqual(frames.filter((f) => f.name === 'factorial').length, 3);

        await dc.setFunctionBreakpointsRequest({ breakpoints: [] });
        await dc.setBreakpointsRequest({ source: { path: source('arith.c') }, breakpoints: [{ line: 21, hitCondition: '4' }] });
        await Promise.all([dc.continueRequest({ threadId: 1 }), dc.assertStoppedLocation('breakpoint', { path: source('arith.c'), line: 21 })]);
        const top = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0];
        assert.strictEqual((await dc.evaluateRequest({ expression: 'I:0', frameId: top.id })).body.result !== undefined, true);

        await dc.setBreakpointsRequest({ source: { path: source('arith.c') }, breakpoints: [] });
        const instr = await dc.customRequest('setInstructionBreakpoints', { breakpoints: [{ instructionReference: top.instructionPointerReference }] });
        assert.strictEqual(instr.body.breakpoints[0].verified, true);
        await Promise.all([dc.continueRequest({ threadId: 1 }), dc.assertStoppedLocation('breakpoint', { path: source('arith.c'), line: 21 })]);
        await dc.disconnectRequest({});
    });

    it("shows the driver's questions in the console and takes their default answer", async () => {
        const outputs = [];
        dc.on('output', (e) => outputs.push(e.body.output));
        await dc.initializeRequest({ adapterID: 'emx31' });
        // Code on C:003B and the halt enabled: the driver asks whether to give up the halt.
        const args = launchArgs({ program: path.join(programDir, 'low.ihx'), settings: { adapter: true, halt: true } });
        await Promise.all([dc.launch(args), dc.waitForEvent('initialized')]);
        await dc.setFunctionBreakpointsRequest({ breakpoints: [{ name: 'shape_area' }] });
        await Promise.all([dc.configurationDoneRequest(), dc.assertStoppedLocation('breakpoint', { path: source('shapes.c'), line: 6 })]);
        const text = outputs.join('');
        assert.match(text, /\[EMX31 Notice\] The halt has enabled, but the Code 0x003b not reserved/);
        assert.match(text, /continue\?\?\s*\(yes\)/);
        await dc.disconnectRequest({});
    });

    it('answers bad requests with clear errors and goes on', async () => {
        await assert.rejects(dc.stackTraceRequest({ threadId: 1 }), /not launched yet/);
        await dc.initializeRequest({ adapterID: 'emx31' });
        await assert.rejects(dc.launch({ simulate: true }), /"program" \(the \.hex or \.ihx file\) is required/);
        await Promise.all([dc.launch(launchArgs({ stopOnEntry: true })), dc.waitForEvent('initialized')]);
        await Promise.all([dc.configurationDoneRequest(), dc.waitForEvent('stopped')]);
        const frame = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0];
        await assert.rejects(dc.evaluateRequest({ expression: 'nosuch + 1', frameId: frame.id }), /No symbol "nosuch" in current context/);
        await assert.rejects(dc.evaluateRequest({ expression: 'box.', frameId: frame.id }), /member name expected/);
        await assert.rejects(dc.customRequest('frobnicate', {}), /unsupported request: frobnicate/);
        await assert.rejects(dc.customRequest('readMemory', { memoryReference: 'flash', count: 4 }), /unknown memory reference/);
        await assert.rejects(dc.variablesRequest({ variablesReference: 999 }), /unknown variablesReference/);
        await assert.rejects(dc.customRequest('setBreakpoints', { breakpoints: [] }), /malformed arguments/);
        await assert.rejects(dc.launch(launchArgs()), /already launched/);
        // Still answering after all that.
        assert.strictEqual((await dc.evaluateRequest({ expression: 'greeting', frameId: frame.id })).body.result, '"hi51"');
        await dc.disconnectRequest({});
    });

    it('ends the session with a clear message when the emulator is missing', async () => {
        await dc.initializeRequest({ adapterID: 'emx31' });
        const terminated = dc.waitForEvent('terminated');
        await assert.rejects(dc.launch(launchArgs({ simulate: 'noadapter' })), /cannot reach the emulator: .*Debug Adapter/);
        await terminated;
    });
});
