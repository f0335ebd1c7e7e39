// modal.parse and modal.solve: problems read from text and solved with the
// interpreter's lock released; Ctrl-C raises the run's cancel flag.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <future>
#include <sstream>
#include <thread>

#include "modal/modal.h"

namespace py = pybind11;

void bind_solve(py::module_& m) {
    static py::exception<modal::parse_error> syntax_error(m, "_SyntaxError", PyExc_SyntaxError);
    py::class_<modal::warning>(m, "Warning")
        .def_readonly("line", &modal::warning::line)
        .def_readonly("statement", &modal::warning::statement)
        .def_readonly("text", &modal::warning::text);
    py::class_<modal::problem>(m, "Problem")
        .def_property_readonly("algorithm", &modal::problem::algorithm)
        .def_property_readonly("warnings", &modal::problem::warnings);
    m.def("_parse", [](std::string_view text) -> py::object {
        modal::parse_result r = modal::parse_problem(text);
        if (r.error) return py::make_tuple(r.error->line, r.error->column, r.error->reason);
        return py::cast(*r.value);
    });
    py::class_<modal::result>(m, "Result")
        .def_property_readonly("cpu_seconds", [](const modal::result& r) { return r.cpu_seconds; })
        .def_property_readonly("algorithm",
                               [](const modal::result& r) { return modal::name_of(r.algorithm); })
        .def_property_readonly("stop_reason",
                               [](const modal::result& r) { return modal::name_of(r.stop); })
        .def_property_readonly("inner", [](const modal::result& r) { return r.inner; })
        .def_property_readonly("outer", [](const modal::result& r) { return r.outer; })
        .def("report",
             [](const modal::result& r) {
                 std::ostringstream os;
                 modal::write_report(r, os);
                 return os.str();
             })
        .def("to_json", [](const modal::result& r) {
            std::ostringstream os;
            modal::write_json(r, os);
            return os.str();
        });
    m.def(
        "solve",
        [](const modal::problem& p, std::optional<double> time, std::optional<double> memory,
           std::optional<int> threads) {
            std::atomic<bool> cancel{false};
            modal::run_options o;
            o.time_limit = time;
            o.memory_limit_mb = memory;
            o.threads = threads;
            o.cancel = &cancel;
            std::future<modal::result> run;
            {
                py::gil_scoped_release unlocked;
                run = std::async(std::launch::async, [&] { return modal::solve(p, o); });
            }
            // Wait with the lock released in short slices, checking for Ctrl-C
            // between them; an interrupt stops the run and raises at once.
            for (;;) {
                std::future_status s;
                {
                    py::gil_scoped_release unlocked;
                    s = run.wait_for(std::chrono::milliseconds(20));
                }
                if (s == std::future_status::ready) break;
                if (PyErr_CheckSignals() != 0) {
                    cancel = true;
                    {
                        py::gil_scoped_release unlocked;
                        run.wait();
                    }
                    throw py::error_already_set();
                }
            }
            return run.get();
        },
        py::arg("problem"), py::arg("time") = py::none(), py::arg("memory") = py::none(),
        py::arg("threads") = py::none());
}
