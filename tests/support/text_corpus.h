// One corpus of real lines beyond code page 1252, for the unit tests and the
// system tests alike: what a developer logs in each script, and the bytes
// that go wrong on the way. Each line is a case of its own.
//
// `sent` is what an 8-bit road carries; `shown` the row's text (UTF-8) that
// PLOXEN must show for it, which is also what a wide road (UTF-16) carries.
// No line holds a control character, so every road can carry every line.
// tests/core/text_corpus_check.py reads the corpus (through the program
// ploxen_text_corpus) and checks each `shown` against Python's own decoding.
//
// This file is UTF-8 and its literals are too (MSVC: /utf-8).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/text.h"

namespace ploxen::test {

static_assert(sizeof("ä") == 3, "text_corpus.h must be compiled as UTF-8 with UTF-8 literals");

struct CorpusLine {
  const char* name;         // a test name's part: letters and digits
  std::string sent;         // the bytes an 8-bit road carries
  std::string shown;        // what the row must hold
  EightBitReading reading;  // what the roads' rule must find in `sent`
  bool invalid;             // `sent` holds invalid UTF-8 (no wide road can send it)
};

constexpr std::size_t kLongLineCharacters = 499;

// 499 characters, some of two bytes, the last one of four.
inline std::string LongLine() {
  std::string line = "Zeile mit 499 Zeichen, die letzte aus vier Bytes:";  // 49 characters
  std::size_t characters = 49;
  while (characters + 6 <= kLongLineCharacters - 1) {
    line += " Größe";  // 6 characters, 8 bytes
    characters += 6;
  }
  line.append(kLongLineCharacters - 1 - characters, '.');
  return line + "🚀";  // U+1F680
}

inline const std::vector<CorpusLine>& TextCorpus() {
  auto script = [](const char* name, std::string text) {
    return CorpusLine{name, text, text, EightBitReading::kUtf8, false};
  };
  const std::string mark(kUtf8ByteOrderMark);
  static const std::vector<CorpusLine> corpus = {
      script("German", "Verbindung zum Server „süd-01“ fehlgeschlagen: Zeitüberschreitung nach 30 s, Größe 1 024 Bytes"),
      {"German1252",
       "\xC4nderung gespeichert: Datei \x84\xDC" "bersicht M\xE4rz.xls\x93, Summe 1.250,00 \x80",
       "Änderung gespeichert: Datei „Übersicht März.xls“, Summe 1.250,00 €", EightBitReading::kCodePage1252, false},
      script("French", "Échec de la connexion au serveur « prod-01 » : délai d’attente dépassé, nouvel essai dans 5 s (cœur 2)"),
      script("Polish", "Serwer łódź-02 nie odpowiada: przekroczono limit czasu połączenia (błąd 110)"),
      script("Czech", "Nepodařilo se připojit k serveru brno-03: vypršel časový limit (chyba 110)"),
      script("Turkish", "Sunucuya bağlanılamadı: İstanbul veri merkezinde zaman aşımı (hata 110)"),
      script("Greek", "Σφάλμα σύνδεσης: ο διακομιστής δεν αποκρίθηκε εγκαίρως (κωδικός 110)"),
      script("Russian", "Произошла ошибка при подключении к базе данных: превышено время ожидания (код 110)"),
      script("Ukrainian", "Не вдалося під’єднатися до сервера «Київ-1»: перевищено час очікування (ґрунт 7)"),
      script("Chinese", "连接服务器失败：等待超时（错误代码 110）"),
      script("Japanese", "ｻｰﾊﾞｰに接続できません：ﾀｲﾑｱｳﾄ (ｴﾗｰｺｰﾄﾞ 110)"),
      script("Korean", "서버에 연결할 수 없습니다: 시간 초과 (오류 코드 110)"),
      script("Arabic", "فشل الاتصال بالخادم 10.0.0.5 على المنفذ 514: انتهت المهلة بعد 30 ثانية"),
      script("Hebrew", "החיבור לשרת 10.0.0.5 נכשל אחרי 30 שניות, קוד שגיאה 110"),
      script("Devanagari", "सर्वर से कनेक्शन विफल: समय सीमा समाप्त (त्रुटि 110)"),
      script("Emoji", "Build 4711 deployed 👍🏽 by 👩🏾‍💻, on-call team 👨‍👩‍👧‍👦 notified ✅"),
      script("Long499", LongLine()),
      // Without a mark a line that is not valid UTF-8 is read as code page
      // 1252 whole, its valid sequences too; after a mark each invalid part
      // is U+FFFD.
      {"LoneContinuation", "Antwort von Gerät 7: \x80\xBF\x80 unerwartet",
       "Antwort von GerÃ¤t 7: €¿€ unerwartet", EightBitReading::kCodePage1252, true},
      {"LoneContinuationMarked", mark + "Antwort von Gerät 7: \x80\xBF\x80 unerwartet",
       "Antwort von Gerät 7: \uFFFD\uFFFD\uFFFD unerwartet", EightBitReading::kMarkedUtf8, true},
      {"Overlong", "Pfad abgelehnt: C:\xC0\xAF" "daten\xE0\x80\xAF" "log\xF0\x80\x80\xAF" "x.txt",
       "Pfad abgelehnt: C:À¯datenà€¯logð€€¯x.txt", EightBitReading::kCodePage1252, true},
      {"OverlongMarked", mark + "Pfad abgelehnt: C:\xC0\xAF" "daten\xE0\x80\xAF" "log\xF0\x80\x80\xAF" "x.txt",
       "Pfad abgelehnt: C:\uFFFD\uFFFDdaten\uFFFD\uFFFD\uFFFDlog\uFFFD\uFFFD\uFFFD\uFFFDx.txt",
       EightBitReading::kMarkedUtf8, true},
      {"CutAtEnd", "Datei geöffnet: Größe 12 KB, Summe 100 \xE2\x82",
       "Datei geÃ¶ffnet: GrÃ¶ÃŸe 12 KB, Summe 100 â‚", EightBitReading::kCodePage1252, true},
      {"CutAtEndMarked", mark + "Datei geöffnet: Größe 12 KB, Summe 100 \xE2\x82",
       "Datei geöffnet: Größe 12 KB, Summe 100 \uFFFD", EightBitReading::kMarkedUtf8, true},
      // Typed on purpose in code page 1252: "Ã¤" alone would be valid UTF-8,
      // the "ä" after it is not.
      {"LooksLikeUtf8", "Umlaute falsch kodiert: \"\xC3\xA4\" statt \"\xE4\"",
       "Umlaute falsch kodiert: \"Ã¤\" statt \"ä\"", EightBitReading::kCodePage1252, false},
  };
  return corpus;
}

}  // namespace ploxen::test
