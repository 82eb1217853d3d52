#include "frontend/window_components.h"

#include <stdexcept>

namespace vorsel {

namespace {

template <typename Step>
void RunEach(std::span<WindowComponent* const> components, ErrorReporter& errors, Step step) {
  for (WindowComponent* component : components) {
    try {
      step(*component);
    } catch (const std::exception& error) {
      errors.HandleException(error);
    } catch (...) {
      errors.HandleException(std::runtime_error("Unknown error"));
    }
  }
}

}  // namespace

void LoadComponents(std::span<WindowComponent* const> components, ErrorReporter& errors) {
  RunEach(components, errors, [](WindowComponent& component) { component.Loaded(); });
}

void DestroyComponents(std::span<WindowComponent* const> components, ErrorReporter& errors) {
  RunEach(components, errors, [](WindowComponent& component) { component.Destroying(); });
}

}  // namespace vorsel
