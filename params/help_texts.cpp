#include "params/help_texts.h"

#include <iterator>

namespace ploxen {
namespace {

constexpr const char* kNoHelp = "Keine Hilfe vorhanden\r\n";

constexpr const char* kPageHelp[kParameterPageCount] = {
    // Allgemeine Daten
    "* Immer im Vordergrund: Wenn ausgew\xE4hlt, so steht das\r\n Programm PLOXEN.EXE immer im Vordergrund.\r\n\r\n"
    "* Abspeicherdatei:  Die hier eingestellte Datei wird bei 'Speichern'\r\n als Vorbelegung genommen.\r\n\r\n"
    "* Der Inhalt der Listbox wird nach xxxx Zeilen gel\xF6scht:  Wenn in der\r\n"
    " Listbox die angegebene Zeilenanzahl erreicht ist, so wird der Inhalt\r\n"
    " der Listbox gel\xF6scht. Dabei besteht jedoch noch die M\xF6glichkeit, den\r\n"
    " Inhalt in eine Datei abzuspeichern. Die aktuelle Zeilenanzahl wird in\r\n"
    " der oberen Zeile immer angezeigt. Bei 0 gibt es keine Grenze.\r\n\r\n"
    "* ganz, nach R\xFC" "ckfrage:  So war es immer; w\xE4hrend die Frage offen\r\n"
    " ist, warten die Absender.\r\n"
    "* das \xE4lteste Zehntel, ohne R\xFC" "ckfrage:  F\xFCr lange L\xE4ufe, bei denen\r\n"
    " niemand zusieht. Ist die Grenze erreicht, so werden die \xE4ltesten\r\n"
    " Zeilen gel\xF6scht, ein Zehntel der Grenze auf einmal, ohne Frage und\r\n"
    " ohne Pause. Die neuesten Zeilen bleiben immer in der Listbox.\r\n\r\n"
    "* Systemweit:  Die Debug-Ausgaben (OutputDebugString) aller Programme\r\n"
    " werden angezeigt, auch ohne Debugger. Jede Zeile nennt die Prozess-ID\r\n"
    " und den Programmnamen. Liest bereits ein anderes Programm diese\r\n"
    " Ausgaben, so wird dies gemeldet. Mit dem Recht, globale Objekte\r\n"
    " anzulegen (Administrator), werden auch die Ausgaben der Dienste\r\n"
    " (\"Global\\\") gelesen; was gelesen wird, steht auf dieser Seite.\r\n\r\n",
    // Meldungen
    "Auf dieser Seite kann eingestellt werden, welche Meldungen\r\nin der Listbox angezeigt werden sollen.\r\n"
    "Die mit einem (*) gekennzeichneten Meldungen kann man\r\nnur erhalten, wenn PLOXEN.EXE mit einem Aufrufparameter,\r\n"
    "der den Pfad und Namen des Programms GANTOR32.EXE\r\nenth\xE4lt gestartet wird. Z.B. 'PLOXEN c:\\lumo\\gantor32'\r\n\r\n",
    // Suchen
    "In der Liste die zu l\xF6schenden Suchbegriffe ausw\xE4hlen.\r\nDann den Pushbutton 'L\xF6schen' dr\xFC" "cken.\r\n",
    // Remote Debug
    "Das Programm 'GANTOR32.EXE' kann auf einen Rechner laufen\r\nund die Debugausgaben k\xF6nnen auf einen anderen Rechner\r\n"
    "ausgegeben werden. Dazu ist zuerst das Programm PLOXEN.EXE\r\nzu starten. Der Rechnername dieses Rechners\r\n"
    "(siehe Reiter: 'Information') ist dann in\r\ndie Datei GANTOR32.INI in der Sektion [DEBUG] unter\r\n"
    "dem Schl\xFCssel REMOTE_COMPUTER= einzutragen.\r\nDanach ist das Programm GANTOR32.EXE auf einem anderen\r\n"
    "Rechner zu starten.\r\nBeide Rechner m\xFCssen nat\xFCrlich Netzwerk sein.\r\n\r\n\r\n"
    "* Remote Debug erlauben:  Wirkt nur nach einem Neustart\r\n des Programms PLOXEN.EXE.\r\n\r\n"
    "* Anzeigeintervall bei Remote Debug in Millisekunden:  In diesem\r\n"
    " Intervallzeitraum wird die Anzeige in der Listbox aktualisiert.\r\n\r\n",
    // Email
    "Zur Zeit ist noch kein E-Mail m\xF6glich\r\n",
    // Information, VBA
    kNoHelp,
    kNoHelp,
    // Filter
    "Die Regeln bestimmen, welche Zeilen die Liste zeigt und in welchen\r\n"
    "Farben. Keine Zeile geht dabei verloren: 'Speichern' schreibt immer\r\n"
    "alle Zeilen.\r\n\r\n"
    "* Ausblenden:  Passende Zeilen werden nicht angezeigt.\r\n"
    "* Nur passende anzeigen:  Nur Zeilen, die zu einer dieser Regeln\r\n"
    " passen, werden angezeigt. Ausblenden hat Vorrang.\r\n"
    "* Hervorheben:  Passende Zeilen erhalten die Text- und\r\n"
    " Hintergrundfarbe der ersten passenden Regel.\r\n\r\n"
    "Das Muster ist ein Text (wie bei 'Suchen') oder ein regul\xE4rer\r\n"
    "Ausdruck. Das K\xE4stchen vor jeder Regel schaltet sie ein und aus.\r\n"
    "'Nach oben' und 'Nach unten' \xE4ndern die Reihenfolge.\r\n\r\n",
    // Netzwerk
    "Andere Rechner, Ger\xE4te und Linux-Rechner schicken ihre Zeilen\r\n"
    "\xFC" "ber das Netzwerk; PLOXEN.EXE kann auch jede angezeigte Zeile\r\n"
    "an einen Syslog-Server weiterleiten. Alles gilt ab 'OK'.\r\n\r\n"
    "* Fernmeldungen:  Zeilen im Format des Mailslots\r\n"
    " (Nummer,Rechner,Art,Text), \xFC" "ber UDP eine Zeile je Paket, \xFC" "ber\r\n"
    " TCP Zeilen mit Zeilenvorschub, beides am selben Port.\r\n"
    " Vorbelegung: Port 2014. Zum Beispiel:\r\n"
    " ploxen_mailslot_send -udp pc-name:2014 Hallo\r\n\r\n"
    "* Syslog:  Meldungen nach RFC 5424 und RFC 3164 \xFC" "ber UDP und TCP.\r\n"
    " Vorbelegung: Port 514. Die Schwere der Meldung gibt die Farbe.\r\n"
    " Ist der Port belegt oder fehlt das Recht, so wird dies einmal\r\n"
    " gemeldet; das Programm l\xE4uft weiter.\r\n\r\n"
    "* Erlaubte Absender:  Adressen und Netze, durch Leerzeichen\r\n"
    " getrennt, zum Beispiel:\r\n"
    "   192.168.1.0/24 10.0.0.7\r\n"
    "   10.0.0.0/8 fd00::/8 ::1\r\n"
    " Leer: nur dieser Rechner.  *: jeder Rechner.\r\n"
    " Zeilen anderer Absender werden nicht angezeigt, aber gez\xE4hlt.\r\n\r\n"
    "* Weiterleiten:  Jede angezeigte Zeile geht auch an das Ziel,\r\n"
    " als Rechner:Port, zum Beispiel loghost:514, 192.168.1.5:514\r\n"
    " oder [::1]:514. Der eigene Syslog-Port dieses Rechners ist\r\n"
    " als Ziel nicht m\xF6glich: jede Zeile liefe endlos im Kreis.\r\n"
    " TCP: Jede Zeile kommt an. Ist das Ziel nicht erreichbar, so\r\n"
    " warten die Zeilen, bis die Verbindung wieder steht.\r\n"
    " UDP: Zeilen k\xF6nnen unterwegs verloren gehen, ohne dass es\r\n"
    " jemand bemerkt.\r\n\r\n"
    "Mussten Zeilen verworfen werden, so zeigt die Statusleiste ihre\r\n"
    "Anzahl; der Tooltip nennt sie f\xFCr jeden Weg.\r\n\r\n",
    // Protokoll
    "Jede Zeile, die ein Weg bringt (auch jede Bemerkung), wird sofort\r\n"
    "in eine Protokolldatei geschrieben, sp\xE4testens nach einer Sekunde.\r\n"
    "Auch wenn PLOXEN.EXE abst\xFCrzt oder beendet wird, steht sie darin.\r\n"
    "Zeilen aus ge\xF6" "ffneten Dateien werden nicht geschrieben. Gilt ab 'OK'.\r\n\r\n"
    "* Datei:  Ordner und Name. Ohne Ordner liegt die Datei neben dem\r\n"
    " Profil. Jede Datei tr\xE4gt Datum und Uhrzeit ihres Beginns im Namen,\r\n"
    " z.B. PLOXEN-Protokoll-20261209-080503-001.txt; so sortieren sich\r\n"
    " die Dateien nach der Zeit.\r\n\r\n"
    "* Text:  eine Zeile je Eintrag, die Spalten durch Tabulatoren\r\n"
    " getrennt, UTF-8. Bin\xE4r:  die Datei von 'Speichern' (*.bin, *.log),\r\n"
    " die '\xD6" "ffnen' auch liest, w\xE4hrend sie noch w\xE4" "chst.\r\n\r\n"
    "* Neue Datei ab ... MB, jeden Tag eine neue Datei:  beides oder\r\n"
    " eines davon. Die \xE4ltesten Dateien \xFC" "ber der Anzahl 'Dateien\r\n"
    " behalten' werden gel\xF6scht.\r\n\r\n"
    "Kann die Datei nicht geschrieben werden (Platte voll, Freigabe\r\n"
    "weg), so sagt es die Statusleiste einmal; PLOXEN versucht es alle\r\n"
    "paar Sekunden wieder. Zeilen, die nicht warten konnten, z\xE4hlt die\r\n"
    "Statusleiste unter 'Protokolldatei'.\r\n\r\n"
    "'Datei' > 'Protokolldatei \xF6" "ffnen' zeigt die Datei, in die gerade\r\n"
    "geschrieben wird. Aufruf 'PLOXEN /protokoll DATEI programm'\r\n"
    "schreibt f\xFCr diesen Lauf in DATEI.\r\n\r\n",
    // Dateien
    "PLOXEN.EXE verfolgt Textdateien, wie Programme sie als Protokoll\r\n"
    "schreiben: jede neue Zeile einer Datei wird eine Zeile der Liste.\r\n"
    "Die erste Spalte nennt die Datei. Alles gilt ab 'OK'.\r\n\r\n"
    "* Hinzuf\xFCgen ...:  w\xE4hlt eine Datei. Auch das Men\xFC 'Datei',\r\n"
    " 'Datei verfolgen ...' f\xFCgt eine hinzu.\r\n"
    "* Entfernen:  die ausgew\xE4hlten Dateien werden nicht mehr verfolgt.\r\n\r\n"
    "* Beim Start die letzten ... Zeilen:  von einer Datei, die schon\r\n"
    " da ist, werden so viele Zeilen vor ihrem Ende gezeigt (0: keine).\r\n"
    " Vorbelegung: 1000.\r\n\r\n"
    "Wird eine Datei umbenannt und neu angelegt (Protokollwechsel),\r\n"
    "so liest PLOXEN.EXE die alte zu Ende und dann die neue. Eine\r\n"
    "gek\xFCrzte Datei wird von vorne gelesen; eine Datei, die es noch\r\n"
    "nicht gibt, wird erwartet; eine Freigabe, die fehlt, wird immer\r\n"
    "wieder versucht.\r\n\r\n"
    "Text: UTF-8 (mit oder ohne BOM), UTF-16 mit BOM, sonst\r\n"
    "Codepage 1252. Zeilenende CR LF oder LF. Eine letzte Zeile ohne\r\n"
    "Ende wird nach einer halben Sekunde Ruhe gezeigt.\r\n\r\n"
    "Was gek\xFCrzt oder weggedreht wurde, bevor es gelesen war, z\xE4hlt\r\n"
    "die Statusleiste unter 'Datei verfolgen'.\r\n\r\n",
};

constexpr const char* kGuidePieces[] = {
    // Introduction and start-up
    "Aufruf aus einem Visual-Basic- bzw. VBA-Programms (z.B. Access, Word)\r\n\r\n",
    "Start des Programms:\r\n\r\n",
    "Dim Ploxen As Object    ' globales Object\r\n\r\n",
    "Private Sub BtnInit_Click()\r\n",
    "     On Error Resume Next\r\n",
    "     Set Ploxen = GetObject(, \"Ploxen\")\r\n",
    "     If Err.Number <> 0 Then\r\n",
    "          Err.Number = 0\r\n",
    "          Set Ploxen = CreateObject(\"Ploxen\")\r\n",
    "     End If\r\n",
    "     If Err.Number <> 0 Then\r\n",
    "          MsgBox (\"PLOXEN.EXE nicht gefunden!\")\r\n",
    "          Exit Sub\r\n",
    "     End If\r\n",
    "     MsgBox (\"PLOXEN.EXE erfolgreich initialisiert!\")\r\n",
    "End Sub\r\n\r\n",
    // Output examples
    "Beispiele f\xFCr die Stringausgabe\r\n\r\n",
    "Private Sub BtnWriteText_Click()\r\n",
    "     Dim Zahl As Double\r\n",
    "     Dim vP1 As Variant\r\n",
    "     Dim vP2 As Variant\r\n",
    "     Ploxen.Write V_DEBUG, \"Hallo Welt (Debug)\"\r\n",
    "     Ploxen.Uhrzeit = False     'ohne Uhrzeitausgabe\r\n",
    "     Ploxen.Write V_INFO, \"Hallo Welt (Info)\"\r\n",
    "     Ploxen.Write V_WARNUNG, \"Hallo Welt (Warnung)\"\r\n",
    "     Ploxen.Write V_FEHLER, \"Hallo Welt (Fehler)\"\r\n",
    "     Ploxen.WriteL V_DEBUG, \"Formatierte LONG-Ausgabe %ld\", 123456789\r\n",
    "     Ploxen.WriteI V_DEBUG, \"Formatierte INTEGER-Ausgabe %d\", 1234\r\n",
    "     Ploxen.WriteI V_DEBUG, \"Formatierte INTEGER-Ausgabe %06d\", 12345\r\n",
    "     Ploxen.WriteS V_DEBUG, \"Formatierte STRING-Ausgabe %20s\", \"Mein String\"\r\n",
    "     Ploxen.WriteF V_DEBUG, \"Formatierte DOUBLE-Ausgabe %10.3lf\", 1234.5678\r\n",
    "     vP1 = 1234\r\n",
    "     vP2 = True\r\n",
    "     Ploxen.WriteV V_DEBUG, \"Formatierte VARIANT-Ausgabe %s, %s\", vP1, vP2\r\n",
    "     Zahl = 567.57\r\n",
    "     Ploxen.WriteF V_DEBUG, \"Formatierte DOUBLE-Ausgabe %10.0lf\", Zahl\r\n",
    "End Sub\r\n\r\n",
    // Sample result
    "So sieht in etwa das Ergebnis aus:\r\n\r\n",
    "16:20:12.223  (00000 ms)  Hallo Welt (Debug)\r\n",
    "16:20:12.233  (00010 ms)  Hallo Welt (Info)\r\n",
    "Hallo Welt (Warnung)\r\n",
    "Hallo Welt (Fehler)\r\n",
    "16:20:12.243  (00010 ms)  Formatierte LONG-Ausgabe 123456789\r\n",
    "16:20:12.253  (00010 ms)  Formatierte INTEGER-Ausgabe 1234\r\n",
    "16:20:12.263  (00010 ms)  Formatierte INTEGER-Ausgabe 012345\r\n",
    "16:20:12.273  (00010 ms)  Formatierte STRING-Ausgabe          Mein String\r\n",
    "16:20:12.293  (00020 ms)  Formatierte DOUBLE-Ausgabe   1234.568\r\n",
    "16:20:12.303  (00010 ms)  Formatierte VARIANT-Ausgabe 1234, TRUE\r\n",
    "16:20:12.313  (00010 ms)  Formatierte DOUBLE-Ausgabe        568\r\n",
    "\r\n\r\n",
    // Notes
    "Die Zeit in der Klammer gibt die Zeitdifferenz in Millisekunden zur\r\n",
    "vorhergehenden Zeile an. Die Genauigkeit betr\xE4gt in der Regel 10 Millisekunden.\r\n\r\n",
    "Ist der Ausgabetyp = V_DEBUG (=0), so wird die Zeile Schwarz ausgegeben.\r\n",
    "Ist der Ausgabetyp = V_INFO (=1), so wird die Zeile Dunkelblau ausgegeben.\r\n",
    "Ist der Ausgabetyp = V_WARNUNG (=2), so wird die Zeile Rosa ausgegeben.\r\n",
    "Ist der Ausgabetyp = V_FEHLER (=3), so wird die Zeile Rot ausgegeben.\r\n",
    "\r\n\r\n",
    "Bei der Ausgabe mit \"WriteV\" koennen maximal 10 VARIANT-Parameter\r\n",
    "angegeben werden.\r\n",
    "\r\n\r\n",
    // Registration
    "Registrieren von PLOXEN:\r\n",
    "Wird das Programm einmal gestartet, so hat es sich bereits registriert.\r\n",
    "Soll das Programm registriert werden, ohne das es sichtbar wird,\r\n",
    "so mu\xDF es mit dem Parameter /REG aufgerufen werden.\r\n",
    "\r\n",
};

}  // namespace

std::string_view PageHelpText(std::size_t pageIndex) {
  return pageIndex < kParameterPageCount ? kPageHelp[pageIndex] : "";
}

std::size_t GuidePieceCount() { return std::size(kGuidePieces); }

std::string_view GuidePiece(std::size_t index) { return index < GuidePieceCount() ? kGuidePieces[index] : ""; }

std::string GuideText() {
  std::string text;
  for (const char* piece : kGuidePieces) text += piece;
  return text;
}

}  // namespace ploxen
