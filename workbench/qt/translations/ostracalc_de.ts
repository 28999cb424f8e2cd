<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Ostra</name>
    <message>
        <source>Scanning probe microscopy tools for the lab</source>
        <translation>Werkzeuge der Rastersondenmikroskopie für das Labor</translation>
    </message>
</context>
<context>
    <name>TAboutForm</name>
    <message>
        <source>Copyright (C) Ostra Instruments. All rights reserved.

The Ostra Calculator is provided &quot;as is&quot;, without warranty of any kind, express or implied, including but not limited to the warranties of merchantability, fitness for a particular purpose and non-infringement. In no event shall the authors be liable for any claim, damages or other liability arising from the use of the software, including damage to instruments or samples driven by its programs.

Check every program that controls an instrument with the instrument in a safe state before running it on a sample.</source>
        <translation>Copyright (C) Ostra Instruments. Alle Rechte vorbehalten.

Der Ostra Calculator wird ohne jede ausdrückliche oder stillschweigende Gewährleistung bereitgestellt, einschließlich, aber nicht beschränkt auf die Gewährleistung der Marktgängigkeit, der Eignung für einen bestimmten Zweck und der Nichtverletzung von Rechten Dritter. In keinem Fall haften die Autoren für Ansprüche, Schäden oder sonstige Haftung, die aus der Verwendung der Software entstehen, einschließlich Schäden an Instrumenten oder Proben, die von ihren Programmen gesteuert werden.

Prüfen Sie jedes Programm, das ein Instrument steuert, mit dem Instrument in einem sicheren Zustand, bevor Sie es an einer Probe ausführen.</translation>
    </message>
    <message>
        <source>About Ostra Calculator</source>
        <translation>Über den Ostra Calculator</translation>
    </message>
    <message>
        <source>This is the Ostra Calculator</source>
        <translation>Dies ist der Ostra Calculator</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Visit our web site at</source>
        <translation>Besuchen Sie unsere Website unter</translation>
    </message>
</context>
<context>
    <name>TButtonParmForm</name>
    <message>
        <source>Checkbox Parameters</source>
        <translation>Kontrollkästchen-Parameter</translation>
    </message>
    <message>
        <source>Button Parameters</source>
        <translation>Schaltflächen-Parameter</translation>
    </message>
    <message>
        <source>ID:</source>
        <translation>ID:</translation>
    </message>
    <message>
        <source>Label:</source>
        <translation>Beschriftung:</translation>
    </message>
</context>
<context>
    <name>TClipbForm</name>
    <message>
        <source>Size setting</source>
        <translation>Größe einstellen</translation>
    </message>
    <message>
        <source>Target size for clipboard graphic</source>
        <translation>Zielgröße der Grafik für die Zwischenablage</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Breite:</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Höhe:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Picture size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>pixels</source>
        <translation>Pixel</translation>
    </message>
</context>
<context>
    <name>TCodeEditor</name>
    <message>
        <source>Syntax error</source>
        <translation>Syntaxfehler</translation>
    </message>
</context>
<context>
    <name>TControlForm</name>
    <message>
        <source>Ostra Calculator Controls</source>
        <translation>Ostra Calculator Bedienfelder</translation>
    </message>
</context>
<context>
    <name>TDisplayParmForm</name>
    <message>
        <source>Display Parameters</source>
        <translation>Anzeige-Parameter</translation>
    </message>
    <message>
        <source>Alignment</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Center</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>ID:</source>
        <translation>ID:</translation>
    </message>
    <message>
        <source>Font Size:</source>
        <translation>Schriftgröße:</translation>
    </message>
    <message>
        <source>Text:</source>
        <translation>Text:</translation>
    </message>
</context>
<context>
    <name>TEditCtrlForm</name>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
</context>
<context>
    <name>TEditPanel</name>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Displays the calculation result</source>
        <translation>Zeigt das Ergebnis der Berechnung</translation>
    </message>
    <message>
        <source>Radix</source>
        <translation>Zahlensystem</translation>
    </message>
    <message>
        <source>Decimal</source>
        <translation>Dezimal</translation>
    </message>
    <message>
        <source>Hexadecimal</source>
        <translation>Hexadezimal</translation>
    </message>
    <message>
        <source>Binary</source>
        <translation>Binär</translation>
    </message>
    <message>
        <source>Changes the radix of the calculation result</source>
        <translation>Ändert das Zahlensystem des Ergebnisses</translation>
    </message>
</context>
<context>
    <name>TEditParmForm</name>
    <message>
        <source>Edit Parameters</source>
        <translation>Eingabefeld-Parameter</translation>
    </message>
</context>
<context>
    <name>TFindBar</name>
    <message>
        <source>Find:</source>
        <translation>Suchen:</translation>
    </message>
    <message>
        <source>Match case</source>
        <translation>Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>Find next</source>
        <translation>Weitersuchen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Replace with:</source>
        <translation>Ersetzen durch:</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Replace all</source>
        <translation>Alle ersetzen</translation>
    </message>
    <message>
        <source>Go to line:</source>
        <translation>Gehe zu Zeile:</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message numerus="yes">
        <source>%n replaced</source>
        <translation>
            <numerusform>%n ersetzt</numerusform>
            <numerusform>%n ersetzt</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TGraphicForm</name>
    <message>
        <source>Plots</source>
        <translation>Grafiken</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Save As Text</source>
        <translation>Als Text speichern</translation>
    </message>
    <message>
        <source>To Clipboard</source>
        <translation>In Zwischenablage</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Save Picture</source>
        <translation>Als Bild speichern</translation>
    </message>
    <message>
        <source>Save the plot as a picture: PNG, SVG or PDF</source>
        <translation>Die Grafik als Bild speichern: PNG, SVG oder PDF</translation>
    </message>
    <message>
        <source>Auto-Range</source>
        <translation>Auto-Bereich</translation>
    </message>
    <message>
        <source>Save plot as text file</source>
        <translation>Als Textdatei speichern</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>Error creating file %1</source>
        <translation>Fehler beim Anlegen der Datei %1</translation>
    </message>
    <message>
        <source>Save As ASCII file</source>
        <translation>Als ASCII-Datei speichern</translation>
    </message>
    <message>
        <source>There is no plot on this tab.</source>
        <translation>Auf dieser Registerkarte ist keine Grafik.</translation>
    </message>
    <message>
        <source>Save plot as picture</source>
        <translation>Grafik als Bild speichern</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>SVG drawing (*.svg)</source>
        <translation>SVG-Zeichnung (*.svg)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF-Dokument (*.pdf)</translation>
    </message>
</context>
<context>
    <name>THelpPanel</name>
    <message>
        <source>[General Info]</source>
        <translation>[Allgemeine Hinweise]</translation>
    </message>
    <message>
        <source>Welcome to the advanced calculator!
Enter a matematical expression in the editor window and press the large Enter key on the numeric key pad. The result of the expression will be displayed in the result window below the editor.

To view a short description of a function use the selection list above. In the descriptions, function parameters are enclosed by &lt;angle brackets&gt; to separate it from the normal text. Use the &apos;copy to clipboard&apos; button to copy and paste a selected function into the editor window. Use 0xnnn to enter hexadecimal numbers like 0x12ab or 0bnnn to enter binary numbers.

To view the full capability of this calculator, have a look in the online function help or the user manual.
</source>
        <translation>Willkommen beim Rechner!
Geben Sie im Editorfenster einen mathematischen Ausdruck ein und drücken Sie die große Enter-Taste des Ziffernblocks. Das Ergebnis des Ausdrucks erscheint im Ergebnisfeld unter dem Editor.

Eine kurze Beschreibung einer Funktion zeigt die Auswahlliste oben. In den Beschreibungen stehen Funktionsparameter in &lt;spitzen Klammern&gt;, um sie vom übrigen Text abzuheben. Mit den Kopier-Schaltflächen kopieren Sie eine gewählte Funktion in die Zwischenablage und fügen sie im Editorfenster ein. Hexadezimalzahlen schreiben Sie als 0xnnn, etwa 0x12ab, Binärzahlen als 0bnnn.

Den vollen Umfang des Rechners beschreiben die Online-Funktionshilfe und das Benutzerhandbuch.
</translation>
    </message>
    <message>
        <source>Function Help:</source>
        <translation>Funktionshilfe:</translation>
    </message>
    <message>
        <source>Choose a function to display a short description for</source>
        <translation>Wählen Sie eine Funktion, um ihre Kurzbeschreibung zu sehen</translation>
    </message>
    <message>
        <source>Go back to the last displayed function help</source>
        <translation>Zurück zur zuletzt angezeigten Funktionshilfe</translation>
    </message>
    <message>
        <source>Copy function</source>
        <translation>Funktion kopieren</translation>
    </message>
    <message>
        <source>Copy the function prototype to the clipboard</source>
        <translation>Den Funktionsprototyp in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Copy example</source>
        <translation>Beispiel kopieren</translation>
    </message>
    <message>
        <source>Copy a full example of this function to the clipboard</source>
        <translation>Ein vollständiges Beispiel dieser Funktion in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Internal Error</source>
        <translation>Interner Fehler</translation>
    </message>
    <message>
        <source>Zero function</source>
        <translation>Leere Funktion</translation>
    </message>
    <message>
        <source>Example:</source>
        <translation>Beispiel:</translation>
    </message>
    <message>
        <source>See also:</source>
        <translation>Siehe auch:</translation>
    </message>
</context>
<context>
    <name>TLabelParmForm</name>
    <message>
        <source>Label Parameters</source>
        <translation>Label-Parameter</translation>
    </message>
    <message>
        <source>ID:</source>
        <translation>ID:</translation>
    </message>
    <message>
        <source>Alignment</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Center</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Text:</source>
        <translation>Text:</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>Save as</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>RIR macro files (*.sma)</source>
        <translation>RIR-Makrodateien (*.sma)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>Show error</source>
        <translation>Fehler zeigen</translation>
    </message>
    <message>
        <source>Display the reason why the status is red</source>
        <translation>Zeigt, warum der Status rot ist</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Start with an empty file</source>
        <translation>Mit einer leeren Datei beginnen</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>Ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Open|Open an existing file</source>
        <translation>Öffnen|Vorhandene Datei öffnen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save|Save the current file</source>
        <translation>Speichern|Aktuelle Datei speichern</translation>
    </message>
    <message>
        <source>Save &amp;as...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>Save as|Save the active file under a new name</source>
        <translation>Speichern unter|Aktive Datei unter einem neuen Namen speichern</translation>
    </message>
    <message>
        <source>&amp;Create / Edit GUI...</source>
        <translation>GUI &amp;erstellen / bearbeiten...</translation>
    </message>
    <message>
        <source>Create / Edit GUI...</source>
        <translation>GUI erstellen / bearbeiten...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Quit|Quit the application</source>
        <translation>Beenden|Anwendung beenden</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>&amp;Cut</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Cut|Move the selection to the clipboard</source>
        <translation>Ausschneiden|Markiertes Objekt in die Zwischenablage verschieben</translation>
    </message>
    <message>
        <source>C&amp;opy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy|Copy the selection to the clipboard</source>
        <translation>Kopieren|Markiertes Objekt in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>E&amp;infügen</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Paste|Insert the contents of the clipboard</source>
        <translation>Einfügen|Inhalt der Zwischenablage einfügen</translation>
    </message>
    <message>
        <source>&amp;Select all</source>
        <translation>Alles &amp;markieren</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Alles markieren</translation>
    </message>
    <message>
        <source>Select all|Select the whole document</source>
        <translation>Alles markieren|Gesamtes Dokument markieren</translation>
    </message>
    <message>
        <source>&amp;Insert GUI Code...</source>
        <translation>GUI-&amp;Code einfügen...</translation>
    </message>
    <message>
        <source>Insert GUI Code...</source>
        <translation>GUI-Code einfügen...</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Start the calculation</source>
        <translation>Die Berechnung starten</translation>
    </message>
    <message>
        <source>&amp;Break</source>
        <translation>&amp;Unterbrechen</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Unterbrechen</translation>
    </message>
    <message>
        <source>Interrupt calculation</source>
        <translation>Die Berechnung unterbrechen</translation>
    </message>
    <message>
        <source>New &amp;panel</source>
        <translation>Neues &amp;Panel</translation>
    </message>
    <message>
        <source>New panel</source>
        <translation>Neues Panel</translation>
    </message>
    <message>
        <source>Create a new expression window</source>
        <translation>Ein neues Ausdrucksfenster anlegen</translation>
    </message>
    <message>
        <source>&amp;Delete panel</source>
        <translation>Panel &amp;löschen</translation>
    </message>
    <message>
        <source>Delete panel</source>
        <translation>Panel löschen</translation>
    </message>
    <message>
        <source>Delete the current expression window and the expression in it</source>
        <translation>Das aktuelle Ausdrucksfenster samt seinem Ausdruck löschen</translation>
    </message>
    <message>
        <source>&amp;Rename...</source>
        <translation>&amp;Umbenennen...</translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation>Umbenennen...</translation>
    </message>
    <message>
        <source>Rename the tabsheet label of the current panel</source>
        <translation>Die Registerbeschriftung des aktuellen Panels umbenennen</translation>
    </message>
    <message>
        <source>&amp;User Manual...</source>
        <translation>&amp;Handbuch...</translation>
    </message>
    <message>
        <source>User Manual...</source>
        <translation>Handbuch...</translation>
    </message>
    <message>
        <source>Display the PDF-Manual</source>
        <translation>Das PDF-Handbuch anzeigen</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Calculation</source>
        <translation>Be&amp;rechnung</translation>
    </message>
    <message>
        <source>&amp;Panel</source>
        <translation>&amp;Panel</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
    <message>
        <source>The user manual is not installed. It belongs here:
%1</source>
        <translation>Das Benutzerhandbuch ist nicht installiert. Es gehört hierher:
%1</translation>
    </message>
    <message>
        <source>No application could show the user manual. You find it here:
%1</source>
        <translation>Kein Programm konnte das Benutzerhandbuch anzeigen. Sie finden es hier:
%1</translation>
    </message>
    <message>
        <source>Calculator</source>
        <translation>Rechner</translation>
    </message>
    <message>
        <source>Panel is not empty, do you really want to delete it?</source>
        <translation>Das Panel ist nicht leer. Wollen Sie es wirklich löschen?</translation>
    </message>
    <message>
        <source>The current file has been modified, do you want to save it?</source>
        <translation>Die aktuelle Datei wurde geändert. Wollen Sie sie speichern?</translation>
    </message>
    <message>
        <source>Error opening file %1</source>
        <translation>Fehler beim Öffnen der Datei %1</translation>
    </message>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>%1 kann nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>The GUI editor ended without saving the layout %1.
Do you want to restore it? (No discards it.)</source>
        <translation>Der GUI-Editor wurde beendet, ohne das Layout %1 zu speichern.
Wollen Sie es wiederherstellen? (Nein verwirft es.)</translation>
    </message>
    <message>
        <source>The Ostra Calculator ended without saving the changes of an unnamed document.
Do you want to restore them? (No discards them.)</source>
        <translation>Der Ostra Calculator wurde beendet, ohne die Änderungen eines unbenannten Dokuments zu speichern.
Wollen Sie sie wiederherstellen? (Nein verwirft sie.)</translation>
    </message>
    <message>
        <source>The Ostra Calculator ended without saving the changes of the document %1.
Do you want to restore them? (No discards them.)</source>
        <translation>Der Ostra Calculator wurde beendet, ohne die Änderungen des Dokuments %1 zu speichern.
Wollen Sie sie wiederherstellen? (Nein verwirft sie.)</translation>
    </message>
    <message>
        <source>Running...</source>
        <translation>Läuft...</translation>
    </message>
    <message>
        <source>Breaking...</source>
        <translation>Wird unterbrochen...</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Fehler: %1</translation>
    </message>
    <message>
        <source>Calculation terminated</source>
        <translation>Berechnung abgebrochen</translation>
    </message>
    <message>
        <source>Calculation finished</source>
        <translation>Berechnung beendet</translation>
    </message>
    <message>
        <source>Macro thread terminated unexpectedly, maybe the connection to the RIR program is lost. Please restart the program.</source>
        <translation>Der Makro-Thread wurde unerwartet beendet, vielleicht ist die Verbindung zum RIR-Programm verloren. Bitte starten Sie das Programm neu.</translation>
    </message>
    <message>
        <source>Calculation running, do you want to kill it?</source>
        <translation>Eine Berechnung läuft. Wollen Sie sie abbrechen?</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>&amp;Suchen...</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Find|Find a text in the program</source>
        <translation>Suchen|Einen Text im Programm suchen</translation>
    </message>
    <message>
        <source>Find &amp;next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find next</source>
        <translation>Weitersuchen</translation>
    </message>
    <message>
        <source>Find next|Find the next place of the text</source>
        <translation>Weitersuchen|Die nächste Stelle des Textes suchen</translation>
    </message>
    <message>
        <source>R&amp;eplace...</source>
        <translation>&amp;Ersetzen...</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Replace|Replace a text in the program</source>
        <translation>Ersetzen|Einen Text im Programm ersetzen</translation>
    </message>
    <message>
        <source>&amp;Go to line...</source>
        <translation>&amp;Gehe zu Zeile...</translation>
    </message>
    <message>
        <source>Go to line</source>
        <translation>Gehe zu Zeile</translation>
    </message>
    <message>
        <source>Go to line|Move the caret to a line of the program</source>
        <translation>Gehe zu Zeile|Die Schreibmarke in eine Zeile des Programms setzen</translation>
    </message>
    <message>
        <source>Open &amp;recent</source>
        <translation>&amp;Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>The file %1 no longer exists; it has been removed from the recent files.</source>
        <translation>Die Datei %1 existiert nicht mehr; sie wurde aus der Liste der zuletzt geöffneten Dateien entfernt.</translation>
    </message>
    <message>
        <source>&amp;Output Window</source>
        <translation>&amp;Ausgabefenster</translation>
    </message>
    <message>
        <source>Output Window</source>
        <translation>Ausgabefenster</translation>
    </message>
    <message>
        <source>Show the output window</source>
        <translation>Das Ausgabefenster zeigen</translation>
    </message>
    <message>
        <source>P&amp;lots</source>
        <translation>&amp;Grafiken</translation>
    </message>
    <message>
        <source>Plots</source>
        <translation>Grafiken</translation>
    </message>
    <message>
        <source>Show the plot window</source>
        <translation>Das Grafikfenster zeigen</translation>
    </message>
    <message>
        <source>&amp;Controls</source>
        <translation>&amp;Bedienfelder</translation>
    </message>
    <message>
        <source>Controls</source>
        <translation>Bedienfelder</translation>
    </message>
    <message>
        <source>Show the control window of the panels a program has loaded</source>
        <translation>Das Fenster der Bedienfelder zeigen, die ein Programm geladen hat</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>&amp;Fenster</translation>
    </message>
    <message>
        <source>The Ostra Calculator</source>
        <translation>Ostra Calculator</translation>
    </message>
</context>
<context>
    <name>TOutputForm</name>
    <message>
        <source>Output Window</source>
        <translation>Ausgabefenster</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Save As Text</source>
        <translation>Als Text speichern</translation>
    </message>
    <message>
        <source>To Clipboard</source>
        <translation>In Zwischenablage</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Save plot as text file</source>
        <translation>Als Textdatei speichern</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>Cannot write %1:
%2</source>
        <translation>%1 kann nicht geschrieben werden:
%2</translation>
    </message>
    <message>
        <source>The print job could not be started.</source>
        <translation>Der Druckauftrag konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>%1 MB in memory</source>
        <translation>%1 MB im Speicher</translation>
    </message>
    <message>
        <source> and %1 MB in the spool file %2</source>
        <translation> und %1 MB in der Auslagerungsdatei %2</translation>
    </message>
    <message>
        <source>Showing the newest %1 of %2 lines; all the output is kept (%3). Save As Text writes all of it.</source>
        <translation>Angezeigt werden die neuesten %1 von %2 Zeilen; die ganze Ausgabe bleibt erhalten (%3). „Als Text speichern“ schreibt sie vollständig.</translation>
    </message>
    <message>
        <source> %1 of the oldest lines are lost.</source>
        <translation> %1 der ältesten Zeilen sind verloren.</translation>
    </message>
    <message>
        <source> The output is kept in memory meanwhile.</source>
        <translation> Die Ausgabe bleibt solange im Speicher.</translation>
    </message>
    <message>
        <source>The output could not be read back.</source>
        <translation>Die Ausgabe konnte nicht zurückgelesen werden.</translation>
    </message>
    <message>
        <source>Memory Limit</source>
        <translation>Speichergrenze</translation>
    </message>
</context>
<context>
    <name>TParmForm</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TRenameForm</name>
    <message>
        <source>Rename Panel</source>
        <translation>Panel umbenennen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Rename panel %1 to:</source>
        <translation>Panel %1 umbenennen in:</translation>
    </message>
</context>
<context>
    <name>TScrollbarParmForm</name>
    <message>
        <source>Scrollbar Properties</source>
        <translation>Schieberegler-Eigenschaften</translation>
    </message>
    <message>
        <source>ID:</source>
        <translation>ID:</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Senkrecht</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Waagerecht</translation>
    </message>
    <message>
        <source>Minimum:</source>
        <translation>Minimum:</translation>
    </message>
    <message>
        <source>Maximum:</source>
        <translation>Maximum:</translation>
    </message>
    <message>
        <source>Value:</source>
        <translation>Wert:</translation>
    </message>
    <message>
        <source>Line Size:</source>
        <translation>Zeilenschritt:</translation>
    </message>
    <message>
        <source>Page Size:</source>
        <translation>Seitenschritt:</translation>
    </message>
</context>
<context>
    <name>TUserForm</name>
    <message>
        <source>GUI Files (*.gui);;All Files (*.*)</source>
        <translation>GUI-Dateien (*.gui);;Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>Open / Create GUI File</source>
        <translation>GUI-Datei öffnen / anlegen</translation>
    </message>
    <message>
        <source>Select GUI File to Insert</source>
        <translation>Einzufügende GUI-Datei wählen</translation>
    </message>
    <message>
        <source>Save GUI file</source>
        <translation>GUI-Datei speichern</translation>
    </message>
    <message>
        <source>GUI Editor</source>
        <translation>GUI-Editor</translation>
    </message>
    <message>
        <source>New Label</source>
        <translation>Neues Label</translation>
    </message>
    <message>
        <source>New Display</source>
        <translation>Neue Anzeige</translation>
    </message>
    <message>
        <source>New Button</source>
        <translation>Neue Schaltfläche</translation>
    </message>
    <message>
        <source>New Edit</source>
        <translation>Neues Eingabefeld</translation>
    </message>
    <message>
        <source>New Scrollbar</source>
        <translation>Neuer Schieberegler</translation>
    </message>
    <message>
        <source>New Checkbox</source>
        <translation>Neues Kontrollkästchen</translation>
    </message>
    <message>
        <source>Duplicate</source>
        <translation>Duplizieren</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Testen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>GUI Editor - %1</source>
        <translation>GUI-Editor - %1</translation>
    </message>
    <message>
        <source>Ostra Calculator</source>
        <translation>Ostra Calculator</translation>
    </message>
    <message>
        <source>Error writing file!</source>
        <translation>Fehler beim Schreiben der Datei!</translation>
    </message>
    <message>
        <source>Cannot save file, close anyway?</source>
        <translation>Die Datei kann nicht gespeichert werden. Trotzdem schließen?</translation>
    </message>
</context>
</TS>
