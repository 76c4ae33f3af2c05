#include "analyze/AnalyzeOptions.h"
#include "batch/BatchOptions.h"
#include "explorer/ExplorerOptions.h"
#include "output/QuotedText.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The input is a command line, its words separated by NUL bytes, the
// program's name first; all three programs' parsers read it. A refusal is one
// line with nothing a terminal would obey in it, quoted at its source, before
// the guard that prints it.
namespace
{

// The parsers read what --config and the analyzer's folders name: every "/"
// becomes "_", so that those are only ever names in the folder the fuzzer
// runs in, never a device or a file elsewhere.
QStringList commandLineOf(const QByteArray& input)
{
    QStringList arguments;
    for (QByteArray word : input.split('\0'))
        arguments << QString::fromUtf8(word.replace('/', '_'));
    return arguments;
}

void checkVerdict(const ParseVerdict& verdict, const char* parser)
{
    if (verdict.outcome != ParseVerdict::Outcome::Error)
        return;
    // withControlsEscaped leaves alone exactly the text with nothing to
    // escape but backslashes: one line, nothing for a terminal to obey.
    if (verdict.text.isEmpty() || withControlsEscaped(verdict.text) != verdict.text) {
        std::fprintf(stderr, "%s refuses with an unquoted line: %s\n", parser,
                     withControlsEscaped(verdict.text).toUtf8().constData());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // For the image formats the parsers check names against.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList arguments =
        commandLineOf(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    checkVerdict(withExperiment(arguments, parseBatchOptions(arguments)), "the batch");
    checkVerdict(withConditionsHint(arguments, parseAnalyzeOptions(arguments)), "the analyzer");
    checkVerdict(parseExplorerOptions(arguments), "the explorer");
    return 0;
}
