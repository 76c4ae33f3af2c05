#pragma once

#include <pybind11/pybind11.h>

// Each adds its part of the coevolife module's classes and functions.
void bindConfig(pybind11::module_& module);
void bindRecords(pybind11::module_& module);
void bindBoard(pybind11::module_& module);
void bindAnalysis(pybind11::module_& module);
void bindLineage(pybind11::module_& module);
void bindRun(pybind11::module_& module);
