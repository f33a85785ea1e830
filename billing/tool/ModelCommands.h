#pragma once
// billing-tool's model commands and its --model option: which title model
// (the engine's or a client copy) the other commands work with.

#include "billing/ModelProfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TcbTitulo;

namespace billing::tool {

// Starts the units the tool stands on: the engine and the client models.
void start_units();

// Takes "--model UNIT" out of args and makes UNIT the current model (an
// unknown unit raises Exception); without the option the engine's model stays.
std::vector<std::string> take_model_option(std::vector<std::string> args);
// The model of --model, or the engine's.
const ModelProfile& current_model();
// The model whose titles the commands make: the current one when it is full,
// else the engine's (a partial copy works on the engine's titles).
const ModelProfile& title_model();
// The current model for bank objects; a partial copy (no classes) raises Exception.
const ModelProfile& bank_model();
// Raises Exception unless the current model holds the helper.
void require_helper(ProfileHelper helper, std::string_view name);
// The plug-in class that makes boletos of bank code ccc under the current
// model's name rule (its check-digit lookup, else its name lookup); raises
// when the model makes no lookup.
std::string boleto_class_name(const std::string& ccc);
// The title's check digit through the current model's lookup.
std::string digito_nosso_numero(const TcbTitulo& title);

// digit scheme NAME DIGITS [BASE]: a digit of the scheme table ("-" is the empty text).
std::string scheme_digit(const std::vector<std::string>& args);

// The model commands: lookup, new-title, classes, schemes. nullopt: not one of them.
std::optional<int> model_command(const std::string& cmd, const std::vector<std::string>& args);

}  // namespace billing::tool
