#pragma once
// Builds the factory bank from its sources with the engine's own bank writer.
#include <cstdint>
#include <vector>

#include "tools/bankgen/BankSource.h"

class TPlugCore;

// Checks that the sources fit together: one file per program and per chain, distinct program
// names, chains that name only programs some file describes.
bool CheckSources(const std::vector<TSource>& sources, TSourceError& error);

// Writes checked sources into a fresh engine: every program and chain section starts at its
// defaults, the globals stay at theirs, and program 1 is current at the end.
void ApplySources(TPlugCore& core, const std::vector<TSource>& sources);

// The bank file (fxb) of checked sources, as the engine writes it.
std::vector<uint8_t> BuildFactoryBank(const std::vector<TSource>& sources);
