// Entry points of the foreign-format converters, each defined in its
// format's module and kept apart from the registry (convert/format_registry.h),
// which names them in its rows: the modules include this file, the registry
// calls them. An importer reads its format's source path field and writes its
// output path field; a stored-entry converter reads tempWavPath and writes
// decodedWavPath. All take no arguments and report through the state record,
// as the conversion frame describes.
#pragma once

void ImportMpcFile();
void ImportIffFile();
void ImportWveFile();

void ImportSphFile();
void ConvertStoredSph();

void ImportPvfFile();
void ConvertStoredPvf();

void ImportPafFile();
void ConvertStoredPaf();

void ImportCafFile();
void ConvertStoredCaf();

void ImportVocFile();
void ConvertStoredVoc();

void ImportHtkFile();
void ConvertStoredHtk();

void ImportAuFile();
void ConvertStoredAu();

void ImportAiffFile();
void ConvertStoredAiff();
