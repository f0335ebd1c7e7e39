// modal.parse, problems built in Python, and modal.solve: problems solved with
// the interpreter's lock released; Ctrl-C raises the run's cancel flag.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "modal/modal.h"

namespace py = pybind11;

namespace {

modal::quantifier quantifier_of(std::string_view q) {
    if (q == "U") return modal::quantifier::forall;
    if (q == "E") return modal::quantifier::exists;
    if (q == "F") return modal::quantifier::free;
    if (q == "MIN") return modal::quantifier::minimise;
    if (q == "MAX") return modal::quantifier::maximise;
    throw py::value_error("a quantifier is one of \"U\", \"E\", \"F\", \"MIN\", \"MAX\", not \"" +
                          std::string(q) + "\"");
}

// A name or an expression goes into one statement: a ';' would end it and
// start another one that the caller did not ask for.
const std::string& one_statement(const std::string& text, const char* what) {
    if (text.find(';') != std::string::npos)
        throw py::value_error(std::string(what) + " holds a ';': " + text);
    return text;
}

py::object parsed(const modal::parse_result& r) {
    if (r.error) return py::make_tuple(r.error->line, r.error->column, r.error->reason);
    return py::cast(*r.value);
}

// The problem text of the builder with the expressions appended, read by the
// problem language.
py::object build(const std::string& algorithm, const std::vector<py::tuple>& variables,
                 const std::optional<std::string>& objective,
                 const std::optional<std::string>& statement,
                 const std::vector<std::string>& constraints, const py::dict& options) {
    modal::problem_builder b(one_statement(algorithm, "the algorithm"));
    for (const auto& [key, value] : options) {
        const std::string name = one_statement(py::str(key), "an option name");
        if (py::isinstance<py::str>(value))
            b.option(name, one_statement(value.cast<std::string>(), "an option value"));
        else
            b.option(name, value.cast<double>());
    }
    for (const py::tuple& v : variables)
        b.variable(one_statement(v[0].cast<std::string>(), "a variable name"), v[1].cast<double>(),
                   v[2].cast<double>(), quantifier_of(v[3].cast<std::string>()));
    std::string text = b.text();
    if (objective) text += "f:= " + one_statement(*objective, "the objective") + ";\n";
    if (statement) text += "lf:= " + one_statement(*statement, "the statement") + ";\n";
    for (const std::string& c : constraints)
        text += "c:= " + one_statement(c, "a constraint") + ";\n";
    return parsed(modal::parse_problem(text));
}

py::dict box_of(const modal::result_box& box) {
    py::dict d;
    for (const modal::component& c : box)
        d[py::str(c.name)] = c.value;
    return d;
}

py::list boxes_of(const std::vector<modal::result_box>& boxes) {
    py::list l;
    for (const modal::result_box& b : boxes)
        l.append(box_of(b));
    return l;
}

modal::box_kind kind_of(std::string_view kind) {
    if (kind == "solution") return modal::box_kind::solution;
    if (kind == "non_solution") return modal::box_kind::non_solution;
    if (kind == "undefined") return modal::box_kind::undefined;
    throw py::value_error(
        "a kind of box is \"solution\", \"non_solution\" or \"undefined\", not \"" +
        std::string(kind) + "\"");
}

// The boxes of one kind as an array of shape (n, d, 2): box, variable, bound.
py::array_t<double> boxes_array(const modal::result& r, std::string_view kind) {
    const modal::box_list& l = r.boxes(kind_of(kind));
    const auto d = static_cast<py::ssize_t>(r.names.size());
    py::array_t<double> a({static_cast<py::ssize_t>(l.size()), d, py::ssize_t{2}});
    if (!l.bounds.empty())
        std::memcpy(a.mutable_data(), l.bounds.data(), l.bounds.size() * sizeof(double));
    return a;
}

const char* verdict_text(modal::logic_verdict v) {
    return v == modal::logic_verdict::is_true    ? "True"
           : v == modal::logic_verdict::is_false ? "False"
                                                 : "Perhaps";
}

bool runs_fstar(const modal::result& r) {
    return r.algorithm == modal::algorithm::fstar || r.algorithm == modal::algorithm::minmax ||
           r.algorithm == modal::algorithm::logic;
}

modal::result solve(const modal::problem& p, std::optional<double> time,
                    std::optional<double> memory, std::optional<int> threads,
                    const std::optional<py::function>& progress) {
    std::atomic<bool> cancel{false};
    modal::run_options o;
    o.time_limit = time;
    o.memory_limit_mb = memory;
    o.threads = threads;
    o.cancel = &cancel;
    // An exception raised by the progress function stops the run and is
    // raised again by solve.
    std::optional<py::error_already_set> progress_error;
    if (progress)
        o.on_progress = [&](const modal::progress& figures) {
            py::gil_scoped_acquire locked;
            if (progress_error) return;
            try {
                (*progress)(figures);
            } catch (py::error_already_set& e) {
                progress_error.emplace(std::move(e));
                cancel = true;
            }
        };
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
    modal::result r = run.get();
    if (progress_error) throw std::move(*progress_error);
    return r;
}

} // namespace

void bind_solve(py::module_& m) {
    py::class_<modal::warning>(m, "Warning")
        .def_readonly("line", &modal::warning::line)
        .def_readonly("statement", &modal::warning::statement)
        .def_readonly("text", &modal::warning::text)
        .def("__repr__", [](const modal::warning& w) {
            return "line " + std::to_string(w.line) + ": " + w.text;
        });
    py::class_<modal::problem>(m, "Problem")
        .def_property_readonly("algorithm", &modal::problem::algorithm)
        .def_property_readonly("warnings", &modal::problem::warnings);
    m.def("_parse", [](std::string_view text) { return parsed(modal::parse_problem(text)); });
    m.def("_build", &build);
    py::class_<modal::progress>(m, "Progress")
        .def_property_readonly("algorithm",
                               [](const modal::progress& p) { return modal::name_of(p.algorithm); })
        .def_readonly("steps", &modal::progress::steps)
        .def_readonly("tol", &modal::progress::tol)
        .def_readonly("solution", &modal::progress::solution)
        .def_readonly("non_solution", &modal::progress::non_solution)
        .def_readonly("undefined", &modal::progress::undefined)
        .def_readonly("waiting", &modal::progress::waiting)
        .def_readonly("seconds", &modal::progress::seconds);
    py::class_<modal::result>(m, "Result")
        .def_readonly("cpu_seconds", &modal::result::cpu_seconds)
        .def_property_readonly("algorithm",
                               [](const modal::result& r) { return modal::name_of(r.algorithm); })
        .def_property_readonly("stop_reason",
                               [](const modal::result& r) { return modal::name_of(r.stop); })
        .def_readonly("message", &modal::result::message)
        .def_readonly("warnings", &modal::result::warnings)
        .def_readonly("steps", &modal::result::steps)
        .def_readonly("inner", &modal::result::inner)
        .def_readonly("outer", &modal::result::outer)
        .def_readonly("tol", &modal::result::tol)
        .def_readonly("no_solution", &modal::result::no_solution)
        .def_readonly("undefined_points", &modal::result::undefined_points)
        .def_property_readonly("verdict",
                               [](const modal::result& r) -> py::object {
                                   if (r.algorithm != modal::algorithm::logic) return py::none();
                                   return py::str(verdict_text(r.verdict));
                               })
        .def_property_readonly("joined_boxes",
                               [](const modal::result& r) -> py::object {
                                   if (!runs_fstar(r)) return py::none();
                                   py::dict d;
                                   if (r.gathered_min) d["min"] = boxes_of(r.joined_min);
                                   if (r.gathered_max) d["max"] = boxes_of(r.joined_max);
                                   return d;
                               })
        .def_readonly("variables", &modal::result::names)
        .def("boxes", &boxes_array, py::arg("kind"),
             "The boxes of one kind (\"solution\", \"non_solution\", \"undefined\") as an\n"
             "array of shape (boxes, variables, 2), in the report's order.")
        .def_property_readonly(
            "decided",
            [](const modal::result& r) {
                py::array_t<std::uint8_t> a(static_cast<py::ssize_t>(r.decided.size()));
                if (!r.decided.empty())
                    std::memcpy(a.mutable_data(), r.decided.data(), r.decided.size());
                return a;
            })
        .def_property_readonly("start", [](const modal::result& r) { return box_of(r.start); })
        .def_readonly("plot_x", &modal::result::plot_x)
        .def_readonly("plot_y", &modal::result::plot_y)
        .def_property_readonly("box",
                               [](const modal::result& r) -> py::object {
                                   if (r.algorithm != modal::algorithm::contractor)
                                       return py::none();
                                   return box_of(r.box);
                               })
        .def_readonly("empty", &modal::result::empty)
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
    m.def("solve", &solve,
          "Solves the problem with the algorithm it names and returns its Result. `time`\n"
          "(processor seconds), `memory` (resident megabytes) and `threads` (QSI) replace the\n"
          "problem's own limits; `progress` is called with a Progress about every 0.1 s.\n"
          "The interpreter's lock is released while the run works; Ctrl-C stops it.",
          py::arg("problem"), py::arg("time") = py::none(), py::arg("memory") = py::none(),
          py::arg("threads") = py::none(), py::arg("progress") = py::none());
}
