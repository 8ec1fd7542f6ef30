// An ADIF parser nobody on this team wrote (the npm package adif-parser-ts)
// reads what `tamrel --export-adif` writes, and every record is compared
// field by field with the log's own lines, read here with nothing of ours.
//
// usage: node adif_parser_check.js TAMREL NODE_MODULES_DIR
'use strict';

const assert = require('assert');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [tamrel, modules] = process.argv.slice(2);
const { AdifParser } = require(path.join(modules, 'adif-parser-ts'));

// The log: normal QSOs, one per line, fields closed by ";".
const logLines = [
    '0;1;XX0XX;12052003140209;  20M;14025000;CW;Bob;Springfield;599;579;3;first <QSO> here;',
    '0;2;DL1ABC;07012004235959;  80M;3755123;LSB;J\u00fcrgen;K\u00f6ln;57;59;2;;',
    '0;3;K1ABC;01012005000000;  40M;7012000;CWR;;;;;1;r\u00e9sum\u00e9 of a QSO;',
    '0;4;VK2XYZ;03032006030303;  10M;28080000;RTTYR;Ann;;;;0;;',
    '0;5;W1AW;06152024120000;  20M;14250000;USB;;;59;59;0;:colon;',
    '0;6;JA1XYZ;06152024121500;;0;RTTY;;;;;0;no band, no frequency;',
];

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'adif-parser-'));
try {
    fs.writeFileSync(path.join(dir, 'Check.QSO.Log'), logLines.join('\n') + '\n', 'utf8');
    const env = { ...process.env, XDG_CONFIG_HOME: path.join(dir, 'config'), TZ: 'UTC' };
    delete env.DISPLAY;
    delete env.QT_QPA_PLATFORM;
    childProcess.execFileSync(tamrel, ['--export-adif', 'Check.QSO.Log', 'out.adi'],
                              { cwd: dir, env, stdio: 'inherit' });

    // ADIF lengths count bytes: give the parser one character per byte, then
    // decode each value as UTF-8.
    const parsed = AdifParser.parseAdi(fs.readFileSync(path.join(dir, 'out.adi'), 'latin1'));
    const utf8 = (s) => Buffer.from(s, 'latin1').toString('utf8');

    assert.strictEqual(parsed.header.programid, 'Tamrel');
    assert.match(parsed.header.adif_ver, /^3\.1\.\d+$/);
    assert.match(parsed.header.created_timestamp, /^\d{8} \d{6}$/);
    assert.strictEqual(parsed.records.length, logLines.length);

    const modes = {
        LSB: ['SSB', 'LSB'], USB: ['SSB', 'USB'], CW: ['CW'], CWR: ['CW', undefined, 'CWR'],
        RTTY: ['RTTY'], RTTYR: ['RTTY', undefined, 'RTTYR'],
    };
    const ascii = /^[\x20-\x7e]*$/;
    logLines.forEach((line, i) => {
        const f = line.split(';');
        const r = parsed.records[i];
        const where = `QSO ${i + 1}: ${line}`;
        const check = (name, expected) => {
            const got = r[name] === undefined ? undefined : utf8(r[name]);
            assert.strictEqual(got, expected === '' ? undefined : expected, `${where}: ${name}`);
        };
        const texts = (name, value) => {
            if (ascii.test(value)) {
                check(name, value);
                check(name + '_intl', undefined);
            } else {
                check(name + '_intl', value);
                assert.match(r[name], ascii, `${where}: ${name} is plain ASCII`);
                assert.strictEqual(r[name].length, [...value].length, `${where}: ${name}`);
            }
        };
        const d = f[3];
        check('call', f[2]);
        check('qso_date', d.slice(4, 8) + d.slice(0, 2) + d.slice(2, 4));
        check('time_on', d.slice(8, 14));
        check('band', f[4].trim().toLowerCase());
        if (Number(f[5]) > 0)
            assert.strictEqual(Math.round(Number(r.freq) * 1e6), Number(f[5]), `${where}: freq`);
        else
            check('freq', undefined);
        const [mode, submode, reverse] = modes[f[6]];
        check('mode', mode);
        check('submode', submode);
        check('app_tamrel_mode', reverse);
        texts('name', f[7]);
        texts('qth', f[8]);
        check('rst_sent', f[9]);
        check('rst_rcvd', f[10]);
        const qsl = Number(f[11]);
        check('qsl_sent', qsl === 1 || qsl === 3 ? 'Y' : 'N');
        check('qsl_rcvd', qsl === 2 || qsl === 3 ? 'Y' : 'N');
        texts('comment', f[12]);
        check('station_callsign', 'ZZ9ZZ'); // the default callsign of a new settings file
        const known = new Set(['call', 'qso_date', 'time_on', 'band', 'freq', 'mode', 'submode',
            'app_tamrel_mode', 'name', 'name_intl', 'qth', 'qth_intl', 'rst_sent', 'rst_rcvd',
            'qsl_sent', 'qsl_rcvd', 'comment', 'comment_intl', 'station_callsign']);
        for (const name of Object.keys(r))
            assert.ok(known.has(name), `${where}: unexpected field ${name}`);
    });
    console.log(`adif-parser-ts read ${parsed.records.length} QSOs, every field as logged`);
} finally {
    fs.rmSync(dir, { recursive: true, force: true });
}
