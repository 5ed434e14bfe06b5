// The device filter of the device list: the filter's characters must appear
// in the candidate in the filter's order ("?" takes any one character),
// compared in upper case. "51F" matches every 8xx51Fx device.
#pragma once

#include <string>

bool QkFilterMatches(const std::string& filter, const std::string& candidate);

// A device matches when "vendor device" or the device name alone matches.
bool QkDeviceMatches(const std::string& filter, const std::string& vendor, const std::string& device);
