// adif-parser-ts, a reader nobody on this team wrote, reads what `tamrel
// --export-adif` writes as bytes (counting bytes) and as UTF-8 text (counting
// characters); every field is compared with the log's own lines, read here with
// nothing of ours. Texts in Latin, Greek, Cyrillic and Japanese must come out
// whole. tcadif checks a whole file by the ADIF definition, and xmllint the ADX
// export against the ADIF XML form (adx.xsd).
//
// usage: node adif_readers_check.js TAMREL NODE_MODULES_DIR XMLLINT ADX_XSD
'use strict';

const assert = require('assert');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [tamrel, modules, xmllint, xsd] = process.argv.slice(2);
const { AdifParser } = require(path.join(modules, 'adif-parser-ts'));
const { ADIF } = require(path.join(modules, 'tcadif'));

// The log: normal QSOs, one per line, fields closed by ";":
// 0;seq;call;MMDDYYYYhhmmss;band;Hz;mode;name;qth;my sig;his sig;qsl;comment;
const logLines = [
    '0;1;OK1ABC;06012024120000;  20M;14025000;CW;Jiří;Plzeň;599;579;3;Děkuji <QSO>;',
    '0;2;SV1XYZ;06012024121000;  20M;14074000;FT8;Νίκος;Αθήνα;-10;+02;0;καλή τύχη;',
    '0;3;UA3ABC;06012024122000;  40M;7040000;FT4;Дмитрий;Москва;-05;-12;0;спасибо;',
    '0;4;JA1XYZ;06012024123000;  15M;21025000;CWR;太郎;東京;599;599;1;ありがとう;',
    '0;5;EA3XYZ;06012024124000;  10M;28400000;USB;José;Barcelona;59;59;2;;',
    '0;6;F5XYZ;06012024125000;  80M;3700000;LSB;Zoë;Orléans;57;58;0;:colon;',
    '0;7;W1AW;06012024130000;;0;RTTYR;;;;;0;no band, no frequency;',
];
const noMode = '0;8;K1ABC;06012024131000;  20M;14070000;;;;;;0;no mode;';

const modes = {
    LSB: ['SSB', 'LSB'], USB: ['SSB', 'USB'], CW: ['CW'], CWR: ['CW', undefined, 'CWR'],
    RTTYR: ['RTTY', undefined, 'RTTYR'], FT8: ['FT8'], FT4: ['MFSK', 'FT4'],
};

function exportLog(dir, lines, out) {
    fs.writeFileSync(path.join(dir, 'Check.QSO.Log'), lines.join('\n') + '\n', 'utf8');
    const env = { ...process.env, XDG_CONFIG_HOME: path.join(dir, 'config'), TZ: 'UTC' };
    delete env.DISPLAY;
    delete env.QT_QPA_PLATFORM;
    return childProcess.execFileSync(tamrel, ['--export-adif', 'Check.QSO.Log', out],
                                     { cwd: dir, env, encoding: 'utf8' });
}

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'adif-readers-'));
try {
    exportLog(dir, [...logLines, noMode], 'out.adi');
    const bytes = fs.readFileSync(path.join(dir, 'out.adi'));
    const utf8 = bytes.toString('utf8');
    const fromLatin1 = (s) => Buffer.from(s, 'latin1').toString('utf8');

    const byBytes = AdifParser.parseAdi(bytes.toString('latin1'));
    const readers = {
        'adif-parser-ts counting bytes': byBytes.records.map(
            (r) => Object.fromEntries(Object.entries(r).map(([k, v]) => [k, fromLatin1(v)]))),
        'adif-parser-ts counting characters': AdifParser.parseAdi(utf8).records,
    };
    for (const [reader, records] of Object.entries(readers)) {
        assert.strictEqual(records.length, logLines.length, reader);
        logLines.forEach((line, i) => {
            const f = line.split(';');
            const r = records[i];
            const where = `${reader}, QSO ${i + 1}: ${line}`;
            // A character-counting reader reads the blanks written after a
            // text outside ASCII with it; the text itself is whole.
            const check = (name, expected) => {
                const got = r[name] === undefined ? undefined : r[name].replace(/ +$/, '');
                assert.strictEqual(got, expected === '' ? undefined : expected, `${where}: ${name}`);
            };
            const [d, qsl] = [f[3], Number(f[11])];
            const [mode, submode, app_tamrel_mode] = modes[f[6]];
            const fields = {
                call: f[2], qso_date: d.slice(4, 8) + d.slice(0, 2) + d.slice(2, 4),
                time_on: d.slice(8, 14), band: f[4].trim().toLowerCase(), mode, submode,
                app_tamrel_mode, name: f[7], qth: f[8], comment: f[12],
                rst_sent: f[10], rst_rcvd: f[9], // his sig: the report he was given
                qsl_sent: qsl === 1 || qsl === 3 ? 'Y' : 'N',
                qsl_rcvd: qsl === 2 || qsl === 3 ? 'Y' : 'N',
            };
            for (const [name, value] of Object.entries(fields))
                check(name, value);
            if (Number(f[5]) > 0)
                assert.strictEqual(Math.round(Number(r.freq) * 1e6), Number(f[5]), `${where}: freq`);
            else
                check('freq', undefined);
            for (const name of Object.keys(r))
                assert.ok(name in fields || name === 'freq', `${where}: unexpected ${name}`);
        });
        console.log(`${reader}: ${records.length} QSOs, every field whole`);
    }

    // A whole file by the ADIF definition (tcadif accepts ASCII Strings only).
    const asciiLines = ['0;1;W1AW;06012024130000;  30M;10136000;RTTYR;;;;;0;<tag> & text;',
                        '0;2;N1XYZ;06012024140000;  20M;14080000;FT4;Bob;Boston;-03;-09;0;;', noMode];
    exportLog(dir, asciiLines, 'ascii.adi');
    const strict = ADIF.parse(fs.readFileSync(path.join(dir, 'ascii.adi'), 'utf8')).toObject();
    assert.strictEqual(strict.qsos.length, 2);
    assert.strictEqual(strict.qsos[1].SUBMODE, 'FT4');
    console.log('tcadif accepts the whole file by the ADIF definition');

    // ADX: valid by the ADIF XML form.
    exportLog(dir, logLines, 'out.adx');
    childProcess.execFileSync(xmllint, ['--noout', '--schema', xsd, path.join(dir, 'out.adx')],
                              { stdio: 'inherit' });
    console.log('the ADX export is valid ADIF XML');
} finally {
    fs.rmSync(dir, { recursive: true, force: true });
}
