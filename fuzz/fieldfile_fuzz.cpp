// libFuzzer target: the field-file reader must take any bytes without
// crashing, and what it accepts must hold together.
#include "fuzz/FuzzCommon.h"
#include "mainwindow/FieldFileParser.h"

using FuzzCommon::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The first byte picks the stage, so the acceptances-only rules get reached too.
    static const QString stages[] = {QStringLiteral("ACP"), QStringLiteral("NOM"), QStringLiteral("WGT"),
                                     QStringLiteral("N/A")};
    const QString stage = stages[size ? data[0] % 4 : 0];
    const FieldFileParser::Result r = FieldFileParser::parse(bytes, stage);
    if (!r.ok) {
        check(!r.error.isEmpty());
        check(r.errorLine >= 0);
        return 0;
    }
    check(r.meeting.date.isValid());
    check(r.meeting.line >= 1);
    int previous = r.meeting.line;
    for (const FieldFileParser::Race& race : r.races) {
        check(race.line > previous);
        previous = race.line;
        check(race.raceCode.size() <= 20);
        check(race.line > r.meeting.line);
        check(!race.time || race.time->isValid());
    }
    for (const FieldFileParser::Runner& runner : r.runners) {
        check(runner.trainerName.size() <= 30 && !runner.trainerName.startsWith(QLatin1Char(' ')));
        check(runner.phone.size() <= 15);
        check(runner.raceCode.size() <= 20);
        check(runner.raceNumber >= 0 && runner.entryNo >= 0);
        check(!r.races.isEmpty() && runner.line > r.races.first().line);
        check(runner.horseName == FieldFileParser::horseNameOf(runner.horse));
        check(runner.line > r.meeting.line);
    }
    // Decoding is total: the same bytes always give the same text.
    check(FieldFileParser::decodeText(bytes) == FieldFileParser::decodeText(bytes));
    return 0;
}
