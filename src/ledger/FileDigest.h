#pragma once
// The SHA-256 of a text, as 64 lowercase hexadecimal digits: what the ledger
// records of each file it takes, and how it knows a file it has seen.
#include <string>

std::string Sha256Hex(const std::string& bytes);
