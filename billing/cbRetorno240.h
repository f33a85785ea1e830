#pragma once
// CNAB 240 return files of bank 104: the file header gives the payee of
// every title, the batch header the file's number and date, and each pair
// of detail segments T and U one title.
//
// Lines are Windows-1252 bytes without line ends, 240 bytes each; positions
// are byte positions and text fields are decoded to UTF-8 after they are
// cut. Records are told apart by their record type (position 8) and segment
// (position 14), so trailers are never taken for details and a file cut
// before its trailers loses no title. Every title starts from a fresh title
// holding only the header's payee data.

#include "billing/cbRetorno400.h"

namespace billing {

// Reads the header lines and the details of a CNAB 240 return of bank 104;
// sink receives each title. `header` is the first line, `rest` the lines
// after it, `count` the number of lines in all (size_t(-1) when unknown).
// Sets LayoutArquivo, and NumeroArquivo and DataArquivo from the batch
// header before the first title; leaves Titulos to the caller.
void ler_cnab240(TcbCobranca& batch, std::string_view header, LineSource& rest, std::size_t count,
                 const TitleSink& sink);

// LerRetornoCNAB240 of bank 104: clears the batch's titles and reads the
// lines into it; a failed read keeps the titles read before the bad record.
bool ler_retorno_cnab240(TcbCobranca& batch, LinhasRetorno lines);

}  // namespace billing
