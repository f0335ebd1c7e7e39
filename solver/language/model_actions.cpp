#include "solver/language/model_actions.h"

namespace modal {

void model_actions::create_var(parse_context&, std::string_view) {}
void model_actions::create_quantvar(parse_context&, std::string_view) {}

void model_actions::create_float(parse_context&, double) {}
void model_actions::create_incidence(parse_context&, std::string_view) {}
void model_actions::create_interval(parse_context&, std::string_view) {}

void model_actions::create_negate(parse_context&, std::string_view) {}
void model_actions::create_function(parse_context&, std::string_view) {}
void model_actions::create_power(parse_context&, std::string_view) {}
void model_actions::create_operator(parse_context&, std::string_view) {}

void model_actions::new_function(parse_context&, std::string_view) {}
void model_actions::assign_function(parse_context&, std::string_view) {}

void model_actions::new_constraint(parse_context&, std::string_view) {}
void model_actions::assign_constraint(parse_context&, std::string_view) {}

} // namespace modal
