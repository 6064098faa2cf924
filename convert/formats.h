// Entry points of the foreign-format converters. Each format module holds the
// external importer (source path field to its output path field) and, for the
// eight formats that can be stored in a container, the stored-entry converter
// (tempWavPath to decodedWavPath). All take no arguments and report through
// the state record, as the conversion frame describes.
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
