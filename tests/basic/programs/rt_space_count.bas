' Space with a count above 65000 stops the program.
Sub Main
  Print "before"
  Print Len(Space(70000))
  Print "not reached"
End Sub
