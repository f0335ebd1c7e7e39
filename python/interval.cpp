// modal.Interval: the library's modal interval with its Kaucher arithmetic.
#include <pybind11/operators.h>
#include <pybind11/pybind11.h>

#include <sstream>

#include "interval/directed_text.h"
#include "interval/functions.h"
#include "interval/ivalDb.h"

namespace py = pybind11;
using modal::ivalDb;

namespace {
std::string text_of(const ivalDb& x) {
    std::ostringstream os;
    modal::writeInterval(os, x, modal::roundingFor(x, modal::regionText::nearest));
    return os.str();
}
} // namespace

void bind_interval(py::module_& m) {
    py::class_<ivalDb>(m, "Interval",
                       "A modal interval [inf, sup]: proper when inf <= sup, improper otherwise.\n"
                       "Interval(a, b) encloses typed bounds one ulp outward (each non-zero\n"
                       "finite bound); Interval.exact(a, b) takes them as they are.")
        .def(py::init<double, double>(), py::arg("inf"), py::arg("sup"))
        .def(py::init<double>(), py::arg("x"))
        .def_static("exact", [](double a, double b) { return ivalDb::exact(a, b); })
        .def_property_readonly("inf", &ivalDb::inf)
        .def_property_readonly("sup", &ivalDb::sup)
        .def_property_readonly("is_proper", [](const ivalDb& x) { return modal::isProper(x); })
        .def_property_readonly("is_improper", [](const ivalDb& x) { return modal::isImproper(x); })
        .def("dual", [](const ivalDb& x) { return modal::dual(x); })
        .def("prop", [](const ivalDb& x) { return modal::prop(x); })
        .def("impr", [](const ivalDb& x) { return modal::impr(x); })
        .def("meet", [](const ivalDb& x, const ivalDb& y) { return modal::meet(x, y); })
        .def("join", [](const ivalDb& x, const ivalDb& y) { return modal::join(x, y); })
        .def("width", &ivalDb::width)
        .def("mid", &ivalDb::mid)
        .def(py::self + py::self)
        .def(py::self - py::self)
        .def(py::self * py::self)
        .def(py::self / py::self)
        .def(-py::self)
        .def("__eq__", [](const ivalDb& x,
                          const ivalDb& y) { return x.inf() == y.inf() && x.sup() == y.sup(); })
        // The order of the library: both bounds compared (x <= y: x.inf <= y.inf
        // and x.sup <= y.sup); strict when both bounds are.
        .def("__le__", [](const ivalDb& x, const ivalDb& y) { return modal::lessEq(x, y); })
        .def("__ge__", [](const ivalDb& x, const ivalDb& y) { return modal::greaterEq(x, y); })
        .def("__lt__", [](const ivalDb& x,
                          const ivalDb& y) { return x.inf() < y.inf() && x.sup() < y.sup(); })
        .def("__gt__", [](const ivalDb& x,
                          const ivalDb& y) { return x.inf() > y.inf() && x.sup() > y.sup(); })
        // Modal inclusion: y in x when x.inf <= y.inf and y.sup <= x.sup.
        .def("__contains__",
             [](const ivalDb& x, const ivalDb& y) {
                 return x.inf() <= y.inf() && y.sup() <= x.sup();
             })
        .def("__hash__", [](const ivalDb& x) { return py::hash(py::make_tuple(x.inf(), x.sup())); })
        .def("__repr__", &text_of);
    py::implicitly_convertible<double, ivalDb>();
    using fn = ivalDb (*)(const ivalDb&) noexcept;
    const std::pair<const char*, fn> functions[] = {
        {"sqr", modal::sqr},   {"sqrt", modal::sqrt}, {"exp", modal::exp},   {"log", modal::log},
        {"sin", modal::sin},   {"cos", modal::cos},   {"tan", modal::tan},   {"asin", modal::asin},
        {"acos", modal::acos}, {"atan", modal::atan}, {"sinh", modal::sinh}, {"cosh", modal::cosh},
        {"tanh", modal::tanh}, {"abs", modal::abs}};
    for (const auto& [name, f] : functions)
        m.def(name, f);
    m.def("pow", [](const ivalDb& x, long long n) { return modal::pow(x, n); });
}
