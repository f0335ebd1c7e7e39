// modal.glucose: the glucose study's data files, the interval simulation of
// one experiment and the computations of glucosim's batch mode.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>

#include "glucosim/core/computation.h"
#include "glucosim/core/data_files.h"
#include "glucosim/core/metrics.h"
#include "glucosim/core/output_files.h"
#include "glucosim/core/simulation.h"
#include "glucosim/core/tables.h"

namespace py = pybind11;
using namespace glucosim;

namespace {

// Raised as modal.glucose.DataError: the sentence, the file, the row and
// the column (0 when the error is not at one value).
[[noreturn]] void raise(const py::object& error_type, const DataError& e) {
    PyErr_SetObject(error_type.ptr(), py::make_tuple(e.message(), e.file, e.row, e.column).ptr());
    throw py::error_already_set();
}

py::list warnings_of(const Warnings& w) {
    py::list l;
    for (const std::string& s : w)
        l.append(py::str(s));
    return l;
}

template <std::size_t N> py::array_t<double> array_of(const std::array<double, N>& a) {
    return py::array_t<double>(static_cast<py::ssize_t>(N), a.data());
}

// The band of minutes 0..299 as the batch mode's glucose files show it beside
// the measured glucose of each minute: the simulated value the minute starts
// from (slot m of the trajectory, G[m-1]; slot 0 the start value).
std::pair<py::array_t<double>, py::array_t<double>>
band_of(const std::array<modal::ivalDb, kSamples + 1>& glucose) {
    py::array_t<double> lower(kSamples), upper(kSamples);
    auto lo = lower.mutable_unchecked<1>();
    auto up = upper.mutable_unchecked<1>();
    for (int n = 0; n < kSamples; ++n) {
        lo(n) = glucose[static_cast<std::size_t>(n)].inf();
        up(n) = glucose[static_cast<std::size_t>(n)].sup();
    }
    return {lower, upper};
}

py::dict areas_of(const HypoHyperAreas& a) {
    py::dict d;
    d["moderate_hypo"] = a.moderateHypo;
    d["severe_hypo"] = a.severeHypo;
    d["moderate_hyper"] = a.moderateHyper;
    d["severe_hyper"] = a.severeHyper;
    return d;
}

py::dict metrics_of(const GlucoseMetrics& m) {
    py::dict d;
    d["samples"] = m.samples;
    d["mean"] = m.mean;
    d["cv"] = m.cv;
    d["tir"] = m.tir;
    d["tbr70"] = m.tbr70;
    d["tbr54"] = m.tbr54;
    d["tar180"] = m.tar180;
    d["tar250"] = m.tar250;
    d["coverage"] = m.coverage;
    d["hypo_certain"] = m.hypoCertain;
    d["hypo_possible"] = m.hypoPossible;
    d["hyper_certain"] = m.hyperCertain;
    d["hyper_possible"] = m.hyperPossible;
    d["mean_width"] = m.meanWidth;
    return d;
}

// The files the batch mode writes for these results (all but run.json and
// the pictures), by name, with the same text.
py::dict files_of(const Results& r) {
    const bool optimised = r.mode == Mode::Optimisation;
    py::dict d;
    d["resultats.txt"] = gridText(resultsTable(r));
    d["glucosa.txt"] = gridText(glucoseTable(r));
    if (optimised) d["optimitzacio.txt"] = gridText(optimisationTable(r));
    d["metrics.csv"] = csvText(metricsTable(r));
    const auto names = csvFileNames(optimised);
    const auto tables = csvTables(r);
    for (std::size_t i = 0; i < names.size(); ++i)
        d[py::str(names[i])] = csvText(tables[i]);
    return d;
}

py::dict experiment_of(const ExperimentResult& e) {
    py::dict d;
    auto [lower, upper] = band_of(e.glucose);
    d["number"] = static_cast<int>(e.row.number());
    d["lower"] = lower;
    d["upper"] = upper;
    d["measured"] = array_of(e.measured);
    d["areas"] = areas_of(e.areas);
    d["real_hypo_area"] = e.realHypoArea;
    d["simulated_hypo_area"] = e.simulatedHypoArea;
    d["metrics"] = metrics_of(experimentMetrics(e));
    return d;
}

DataSet load_all(const py::object& error_type, const std::string& experiment,
                 const std::string& glucose, const std::optional<std::string>& parameters,
                 py::list& warnings) {
    DataSet data;
    DataError error;
    Warnings w;
    const std::vector<std::string> paths =
        parameters ? std::vector{*parameters} : parameterFileCandidates(experiment);
    if (!loadExperimentAndParameters(data, experiment, paths, error, &w) ||
        !loadGlucose(data, glucose, error, &w))
        raise(error_type, error);
    warnings = warnings_of(w);
    return data;
}

} // namespace

void bind_glucose(py::module_& m) {
    const py::object error_type = m.attr("DataError");

    py::class_<ExperimentTable>(m, "Experiments")
        .def_readonly("patient", &ExperimentTable::patient)
        .def_property_readonly(
            "values",
            [](const ExperimentTable& t) {
                py::array_t<double> a({kExperiments, kExperimentColumns});
                auto v = a.mutable_unchecked<2>();
                for (int i = 0; i < kExperiments; ++i)
                    for (int j = 0; j < kExperimentColumns; ++j)
                        v(i, j) =
                            t.rows[static_cast<std::size_t>(i)].values[static_cast<std::size_t>(j)];
                return a;
            })
        .def_property_readonly("meal_classes", [](const ExperimentTable& t) {
            std::vector<std::string> c;
            for (const ExperimentRow& r : t.rows)
                c.push_back(r.mealClass);
            return c;
        });
    py::class_<PatientParameters>(m, "Parameters")
        .def_property_readonly("values", [](const PatientParameters& p) { return array_of(p.p); });

    m.def("load_experiments", [error_type](const std::string& path) {
        ExperimentTable t;
        DataError e;
        if (!readExperimentFile(path, t, e)) raise(error_type, e);
        return t;
    });
    m.def(
        "load_parameters",
        [error_type](const std::string& path, int patient) {
            if (patient < 1 || patient > 10)
                throw py::value_error("a patient is numbered 1 to 10, not " +
                                      std::to_string(patient));
            PatientParameters p;
            DataError e;
            if (!readParameterFile(path, patient, p, e)) raise(error_type, e);
            return p;
        },
        py::arg("path"), py::arg("patient"));
    m.def("load_glucose", [error_type](const std::string& path) {
        auto t = std::make_unique<GlucoseTable>();
        DataError e;
        if (!readGlucoseFile(path, *t, e)) raise(error_type, e);
        py::array_t<double> a({kSamples, kExperiments});
        auto v = a.mutable_unchecked<2>();
        for (int n = 0; n < kSamples; ++n)
            for (int k = 0; k < kExperiments; ++k)
                v(n, k) = t->at(n, k);
        return a;
    });

    m.def(
        "simulate",
        [](const PatientParameters& patient, const ExperimentTable& experiments, int experiment,
           double si, double tmax) {
            if (experiment < 1 || experiment > kExperiments)
                throw py::value_error("an experiment is numbered 1 to 24, not " +
                                      std::to_string(experiment));
            if (!(si >= 0) || !(tmax > 0))
                throw py::value_error("si must be at least 0 and tmax above 0");
            auto t = std::make_unique<Trajectory>();
            {
                py::gil_scoped_release unlocked;
                simulateExperiment(
                    patient,
                    ExperimentInput::of(experiments.rows[static_cast<std::size_t>(experiment - 1)]),
                    concreteSensitivity(si), tmax, *t);
            }
            auto [lower, upper] = band_of(t->glucose);
            py::dict d;
            d["lower"] = lower;
            d["upper"] = upper;
            d["areas"] = areas_of(t->areas);
            return d;
        },
        py::arg("patient"), py::arg("experiments"), py::arg("experiment"), py::arg("si") = 1.0,
        py::arg("tmax") = 35.0);

    m.def(
        "run",
        [error_type](const std::string& experiment, const std::string& glucose,
                     std::optional<double> si, std::optional<double> tmax,
                     std::optional<int> criterion, const std::optional<std::string>& parameters) {
            if (criterion && (si || tmax))
                throw py::value_error("an optimisation chooses si and tmax itself");
            if (criterion && (*criterion < 0 || *criterion > 4))
                throw py::value_error("the criterion is 0, 1, 2, 3 or 4");
            if (!criterion && (!si || !tmax || !(*si >= 0) || !(*tmax > 0)))
                throw py::value_error("give si >= 0 and tmax > 0, or a criterion");
            py::list warnings;
            const DataSet data = load_all(error_type, experiment, glucose, parameters, warnings);
            Results r;
            {
                py::gil_scoped_release unlocked;
                r = criterion ? computeWithOptimisation(data, static_cast<Criterion>(*criterion))
                              : computeWithValues(data, *si, *tmax);
            }
            py::dict d;
            d["patient"] = r.patient;
            d["si"] = r.si;
            d["tmax"] = r.tmax;
            d["caption"] = resultsCaption(r);
            py::list experiments;
            for (const ExperimentResult& e : r.experiments)
                experiments.append(experiment_of(e));
            d["experiments"] = experiments;
            d["metrics"] = metrics_of(overallMetrics(r.experiments));
            if (criterion) {
                d["chosen_pair"] = r.chosenPair;
                py::list grid;
                for (const GridPair& p : r.grid) {
                    py::dict g;
                    g["tmax"] = p.tmax;
                    g["si"] = p.siMidpoint;
                    g["value"] = p.value;
                    grid.append(g);
                }
                d["grid"] = grid;
            }
            d["warnings"] = warnings;
            d["files"] = files_of(r);
            return d;
        },
        py::arg("experiment"), py::arg("glucose"), py::arg("si") = py::none(),
        py::arg("tmax") = py::none(), py::arg("criterion") = py::none(),
        py::arg("parameters") = py::none());
}
