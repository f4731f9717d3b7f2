// The data window's decoding routines under their own names: thin calls into the decoder, each on
// the download text and the table as they stand, for code that runs one step at a time.
#include <QLabel>
#include <string>

#include "data/DownloadLines.h"
#include "data_ui/SampleTableModel.h"
#include "data_ui/Unit5.h"

void TForm5::RunDecodeStep(
    const std::function<void(const SampleDecoder::Lines&, SampleTable&)>& step) {
  const std::string text = downloadTextSource_ ? downloadTextSource_() : std::string();
  const SampleDecoder::Lines lines = SplitDownloadLines(text);
  SampleTable table = model_->Table();
  table.error.reset();
  step(lines, table);
  ShowStart(table);
  model_->SetTable(std::move(table));
}

void TForm5::DOSCANALESLM35() {
  RunDecodeStep(
      [this](const auto& lines, SampleTable& table) { decoder_.DecodeTable(lines, table); });
}

void TForm5::OBTIENEFECHAYHORA() {
  RunDecodeStep([this](const auto& lines, SampleTable& table) {
    decoder_.DecodeStartAndStamps(lines, table);
  });
}

void TForm5::MUESTRADATA() {
  RunDecodeStep([this](const auto& lines, SampleTable& table) {
    decoder_.DecodeChannelValues(lines, table);
  });
}

void TForm5::VERPOR1MINUTO() {
  RunDecodeStep([this](const auto&, SampleTable& table) { decoder_.StampRows(table, 1); });
}

void TForm5::VERPOR5MINUTOS() {
  RunDecodeStep([this](const auto&, SampleTable& table) { decoder_.StampRows(table, 5); });
}

void TForm5::VERPOR10MINUTOS() {
  RunDecodeStep([this](const auto&, SampleTable& table) { decoder_.StampRows(table, 10); });
}

void TForm5::VERPOR15MINUTOS() {
  RunDecodeStep([this](const auto&, SampleTable& table) { decoder_.StampRows(table, 15); });
}

void TForm5::VERPOR30MINUTOS() {
  RunDecodeStep([this](const auto&, SampleTable& table) { decoder_.StampRows(table, 30); });
}

void TForm5::VERPOR60MINUTOS() {
  RunDecodeStep([this](const auto&, SampleTable& table) { decoder_.StampRows(table, 60); });
}

void TForm5::VERIFICAR() {
  decoder_.UpdateMonthLength(Label2->text().toInt(), Label1->text().toInt());
}
