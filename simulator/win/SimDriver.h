// The driver stand-in: answers the driver's calls for the simulated adapter of the ORVEX_SIM
// folder, so OrvexRoll finds, queries and resets it like the real one.
#pragma once

#include <memory>
#include <string>

#include "DeviceDriver.h"

namespace orvex::sim {

// The stand-in for the ORVEX_SIM folder; null when ORVEX_SIM is not set.
std::unique_ptr<DeviceDriver> CreateSimulatedDriver();
std::unique_ptr<DeviceDriver> CreateSimulatedDriver(const std::wstring& folder);

}  // namespace orvex::sim
