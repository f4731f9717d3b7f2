// What the main window does with each batch of received characters, without any window: assembles
// status replies and decodes them, or collects a download until its end marker. The main window
// owns one interpreter, feeds it every batch it reads and applies the returned result to its
// controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/LoggerProtocol.h"

// What one decoded status reply puts on the main window.
struct StatusDisplay {
  std::string time;               // Edit3, "HH:MM:SS"
  std::string date;               // Edit4, "DD/MM/20YY"
  std::string usedMemoryText;     // Edit1, e.g. "65", "0,25", "-1,5"
  float battery = 0;              // AbVBar1 value: B / 2.2 in single precision, at most 100
  uint32_t barColor = 0;          // 0xRRGGBB: lime 0x00FF00 when good, red 0xFF0000 otherwise
  uint32_t fontColor = 0;         // lime when good, white 0xFFFFFF otherwise
  std::string caption1;           // "NIVEL DE BATERIA:" or "REEMPLAZAR PILAS"
  std::string caption2;           // "\"OK\"" or "4 PILAS \"AA\""
  int rateItem = -1;              // RadioGroup1 item 0..5; -1 leaves the selection as it was
  std::optional<float> channel1;  // AbValueInd1; empty keeps its value
  std::optional<float> channel2;  // AbValueInd2
  protocol::StatusReply reply;    // the raw values
};

// Result of one received-characters event, for the main window to apply.
struct RxEventResult {
  bool gaugeVisible = false;            // Gauge1 shown (download mode) or hidden
  int gaugeProgress = 0;                // Gauge1 progress 0..49 after the event
  bool clearTimeAndDate = false;        // Edit3 and Edit4 were emptied (a complete reply was taken)
  std::optional<StatusDisplay> status;  // a reply was decoded
  std::string rejectedReply;            // a complete reply that held a non-digit (discarded)
  std::string rejectedReason;           // its conversion error text
  bool downloadEnded = false;           // the end marker arrived: relabel, arrow cursor, show data
  bool downloadAbandoned = false;  // the download passed kMaxDownloadText without its end marker
  bool startTimer2 = false;        // HORAPENDIENTE was set at the end of the event
};

class ReplyInterpreter {
 public:
  // A full logger memory is about 28 KB; a download that grows past this without its end marker is
  // abandoned and the text kept for inspection.
  static constexpr std::size_t kMaxDownloadText = 4u << 20;

  // Channel kinds, the hidden RadioGroup2 / RadioGroup3 items: 0 "T ºC", 1 "mV", -1 none.
  int channel1Kind = 0;
  int channel2Kind = 0;

  // Link flags.
  bool DESCARGANDO = false;
  bool DATOSDESCARGADOS = false;
  bool HORAPENDIENTE = false;

  // One received-characters event: `batch` is what ReceiveText returned for the notice's Count.
  RxEventResult OnReceived(std::string_view batch);

  // The download button wrote "8" or "E": empty the download text first (the caller does that
  // before writing, through ClearDownloadText) then enter download mode.
  void StartDownload() { DESCARGANDO = true; }
  void ClearDownloadText() { downloadText_.clear(); }
  // The connect switch empties the status buffer and leaves download mode at every switching.
  void OnConnectSwitch();
  // PONEHORA empties the status buffer before it writes the set-clock command.
  void ClearStatusBuffer() { statusBuffer_.clear(); }
  // FormActivate of the main window.
  void OnActivate() { DESCARGANDO = false; }

  const std::string& statusBuffer() const { return statusBuffer_; }  // Edit2
  const std::string& downloadText() const { return downloadText_; }  // RichEdit1
  void setDownloadText(std::string text) { downloadText_ = std::move(text); }
  int gaugeProgress() const { return gauge_; }

  // Decodes a complete 33-character reply into display values (no state). Throws EConvertError.
  static StatusDisplay DecodeReply(std::string_view reply, int channel1Kind, int channel2Kind);

 private:
  // The download branch of an event: collects the batch or ends the download at the end marker.
  void DESCARGAR(std::string_view batch, RxEventResult& result);

  std::string statusBuffer_;
  std::string downloadText_;
  int gauge_ = 0;
};
