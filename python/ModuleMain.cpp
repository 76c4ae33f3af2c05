#include "python/Bindings.h"
#include "version/ProgramVersion.h"

PYBIND11_MODULE(coevolife, module)
{
    module.doc() = "Coevolife's experiments, archives, logs, boards, matches and statistics, "
                   "read and played by the program's own C++ code.";
    module.attr("__version__") = COEVOLIFE_VERSION;
    // Config first: the others take and return it.
    bindConfig(module);
    bindRecords(module);
    bindBoard(module);
    bindAnalysis(module);
    bindLineage(module);
    bindRun(module);
}
