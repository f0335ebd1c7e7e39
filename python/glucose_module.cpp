// The extension module behind modal.glucose (apart from the solver's, as it
// needs Qt Core).
#include <pybind11/pybind11.h>

namespace py = pybind11;

void bind_glucose(py::module_& m);

PYBIND11_MODULE(_glucose, m) {
    m.doc() = "The glucose study: data files, simulation and the batch computations";
    m.attr("DataError") = py::module_::import("modal._errors").attr("DataError");
    bind_glucose(m);
}
