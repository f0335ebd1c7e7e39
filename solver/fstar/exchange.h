// What an F* run shares with runs of the same problem in other processes,
// each working on strips of its own: the inner approximation any of them
// has proven (so that each drops what another has shown useless), strips
// handed from a busy run to an idle one, and at the end what every run
// found.
#pragma once

namespace modal {

class fstar;

class strip_exchange {
public:
    virtual ~strip_exchange() = default;

    // Whether the run starts from the whole domain; otherwise its agenda
    // starts empty and waits for strips.
    virtual bool plants_first_strip() const = 0;
    // After each step: the exchange may set the solver's remote twin, take
    // strips off its agenda or add some (marking the global twin for
    // update). True ends the run now, settings.stop_reason saying why.
    virtual bool after_step(fstar& f) = 0;
    // Where the run would end by its own tests (settings.stop_reason says
    // why where a test sets it): true when it goes on, because strips were
    // added or the remote twin changed what the tests read.
    virtual bool go_on(fstar& f) = 0;
    // After the run's end and its post-processing.
    virtual void finished(fstar& f) = 0;
};

} // namespace modal
