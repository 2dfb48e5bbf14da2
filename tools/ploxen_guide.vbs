' The calls of the macro guide on the parameter dialog's "VBA" page, as a
' script runs them:  cscript ploxen_guide.vbs [milliseconds to hold the object]
Const V_DEBUG = 0
Const V_INFO = 1
Const V_WARNUNG = 2
Const V_FEHLER = 3

Dim Ploxen
On Error Resume Next
Set Ploxen = GetObject(, "Ploxen")
If Err.Number <> 0 Then
     Err.Clear
     Set Ploxen = CreateObject("Ploxen")
End If
If Err.Number <> 0 Then
     WScript.Echo "PLOXEN.EXE nicht gefunden!"
     WScript.Quit 1
End If
On Error GoTo 0

Dim Zahl, vP1, vP2
Ploxen.Write V_DEBUG, "Hallo Welt (Debug)"
Ploxen.Uhrzeit = False     'ohne Uhrzeitausgabe
Ploxen.Write V_INFO, "Hallo Welt (Info)"
Ploxen.Write V_WARNUNG, "Hallo Welt (Warnung)"
Ploxen.Write V_FEHLER, "Hallo Welt (Fehler)"
Ploxen.WriteL V_DEBUG, "Formatierte LONG-Ausgabe %ld", 123456789
Ploxen.WriteI V_DEBUG, "Formatierte INTEGER-Ausgabe %d", 1234
Ploxen.WriteI V_DEBUG, "Formatierte INTEGER-Ausgabe %06d", 12345
Ploxen.WriteS V_DEBUG, "Formatierte STRING-Ausgabe %20s", "Mein String"
Ploxen.WriteF V_DEBUG, "Formatierte DOUBLE-Ausgabe %10.3lf", 1234.5678
vP1 = 1234
vP2 = True
Ploxen.WriteV V_DEBUG, "Formatierte VARIANT-Ausgabe %s, %s", vP1, vP2
Zahl = 567.57
Ploxen.WriteF V_DEBUG, "Formatierte DOUBLE-Ausgabe %10.0lf", Zahl
If Not Ploxen.Uhrzeit Then WScript.Echo "Uhrzeit aus"

' Holds the object for the milliseconds given; Wine's script host has no Sleep.
If WScript.Arguments.Count > 0 Then
     Dim Ende
     Ende = Timer + CLng(WScript.Arguments(0)) / 1000
     Do While Timer < Ende
          Ploxen.Uhrzeit = False
     Loop
End If
Set Ploxen = Nothing
WScript.Echo "PLOXEN.EXE erfolgreich initialisiert!"
