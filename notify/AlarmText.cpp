// Spanish titles and texts of alarm events, numbers with a decimal comma and dates DD/MM/YYYY.
#include "notify/AlarmText.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

struct KindWords {
  const char* code;
  const char* name;     // what went wrong
  const char* channel;  // the channel it concerns; null for conditions of the logger or link
  const char* unit;
};

constexpr KindWords kKinds[] = {
    {"t_high", "temperatura alta", "temperatura", "°C"},
    {"t_low", "temperatura baja", "temperatura", "°C"},
    {"rh_high", "humedad alta", "humedad", "% HR"},
    {"rh_low", "humedad baja", "humedad", "% HR"},
    {"silent", "el registrador no responde", nullptr, ""},
    {"battery", "batería baja", nullptr, ""},
    {"memory", "memoria casi llena sin descargar", nullptr, ""},
    {"download_failed", "descargas fallidas", nullptr, ""},
    {"clock_drift", "reloj del registrador desviado", nullptr, "s"},
    {"gap", "faltan muestras en el registro", nullptr, ""},
};

std::string Text(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

bool HasNumber(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_number();
}

// One decimal, decimal comma: "-3,5".
std::string Number(double value, int decimals = 1) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string result = text;
  for (char& c : result) {
    if (c == '.') c = ',';
  }
  return result == "-0,0" ? "0,0" : result;
}

// "2026-12-07T14:05:00" (with or without an offset) as "07/12/2026 14:05:00".
std::string When(const std::string& iso) {
  if (iso.size() < 19 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T') return iso;
  return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4) + " " +
         iso.substr(11, 8);
}

}  // namespace

AlarmText MakeAlarmText(const Json& event) {
  if (!event.is_object()) return {"Velmorante: evento de alarma", ""};
  const std::string code = Text(event, "kind");
  KindWords words{"", nullptr, nullptr, ""};
  for (const KindWords& kind : kKinds) {
    if (code == kind.code) words = kind;
  }
  const std::string what = words.name ? words.name : "alarma de tipo '" + code + "'";
  const bool warning = Text(event, "level") == "warning";
  const std::string eventCode = Text(event, "event");
  const std::string happened = eventCode == "raised"         ? "activado"
                               : eventCode == "cleared"      ? "terminado"
                               : eventCode == "acknowledged" ? "reconocido"
                                                             : eventCode;
  // "Aviso" is masculine and "alarma" feminine: the participle agrees with it.
  std::string participle = happened;
  if (!warning && !participle.empty() && participle.back() == 'o') participle.back() = 'a';
  const std::string station = Text(event, "station");

  AlarmText text;
  text.title = std::string(warning ? "Aviso " : "Alarma ") + participle + ": " + what;
  if (!station.empty()) text.title += " en " + station;

  std::string& body = text.body;
  const auto line = [&body](const std::string& label, const std::string& value) {
    body += label + ": " + value + "\n";
  };
  line("Estación", station.empty() ? "(descarga comprobada a mano)" : station);
  line(warning ? "Aviso" : "Alarma", what + " (" + participle + ")");
  if (words.channel) line("Canal", words.channel);
  const std::string unit = words.unit[0] != '\0' ? std::string(" ") + words.unit : "";
  if (HasNumber(event, "limit")) line("Límite", Number(event["limit"].get<double>()) + unit);
  if (HasNumber(event, "peak")) line("Pico", Number(event["peak"].get<double>()) + unit);
  if (const std::string started = Text(event, "started_at"); !started.empty()) {
    line("Desde", When(started));
  }
  if (const std::string ended = Text(event, "ended_at"); !ended.empty()) {
    line("Hasta", When(ended));
  } else if (eventCode != "cleared") {
    line("Hasta", "sigue activa");
  }
  if (HasNumber(event, "samples") && event["samples"].get<double>() > 0) {
    std::string samples = Number(event["samples"].get<double>(), 0) + " muestras";
    if (HasNumber(event, "minutes")) {
      samples += ", " + Number(event["minutes"].get<double>(), 0) + " min";
    }
    line("Duración", samples);
  }
  if (const std::string raised = Text(event, "raised_at"); !raised.empty()) {
    line("Detectada", When(raised));
  }
  const auto acknowledged = event.find("acknowledged");
  if (acknowledged != event.end() && acknowledged->is_object()) {
    line("Reconocida por", Text(*acknowledged, "by") + " el " + When(Text(*acknowledged, "at")));
    line("Comentario", Text(*acknowledged, "comment"));
  }
  const auto live = event.find("live");
  if (live != event.end() && live->is_boolean() && live->get<bool>()) {
    body += "Visto en las lecturas en directo; la descarga lo confirmará.\n";
  }
  return text;
}
