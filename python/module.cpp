// The extension module behind the Python package `modal`.
#include <pybind11/pybind11.h>

namespace py = pybind11;

void bind_interval(py::module_& m);
void bind_solve(py::module_& m);

PYBIND11_MODULE(_modal, m) {
    m.doc() = "Modal intervals, problems and their solving";
    bind_interval(m);
    bind_solve(m);
}
