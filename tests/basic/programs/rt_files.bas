' Runtime library: Print # bytes, Line Input # (CR stays), eInput byte counts,
' EOF, LOF, Seek, FreeFile, FileLen, FileCopy, Name, Kill, folders.
Sub Main
  Dim f As String, s As String, all As String, crlf As String, n As Integer
  f = "rt_data.txt"
  crlf = Chr(13) & Chr(10)
  n = FreeFile
  Print n
  Open f For Output As #n
  Print FreeFile
  Print #n, "abc"
  Print #n, "x"; 12
  Print LOF(n)
  Close #n
  Print FileLen(f); FreeFile
  Open f For Input As #1
  all = eInput(LOF(1), 1)
  Print Len(all); all = " abc" & crlf & " x 12" & crlf; EOF(1)
  Seek #1, 0
  Print SeekFunc(1); EOF(1)
  Line Input #1, s
  Print Len(s); Asc(Right(s, 1)); "[" & Left(s, 4) & "]"; SeekFunc(1)
  s = eInput(3, 1)
  Print "[" & s & "]"; SeekFunc(1)
  Line Input #1, s
  Print Len(s); s = "12" & Chr(13); EOF(1)
  Line Input #1, s
  Print Len(s); EOF(1)
  Seek #1, 1
  Line Input #1, s
  Print s = "abc" & Chr(13)
  Open "rt_other.txt" For Output As #3
  Print FreeFile
  Open "rt_third.txt" For Output As #2
  Print FreeFile
  Close #1
  Print FreeFile
  Close
  Print FreeFile
  FileCopy f, "rt_copy.txt"
  Print FileLen("rt_copy.txt")
  Name "rt_copy.txt" As "rt_moved.txt"
  Print FileLen("rt_copy.txt"); FileLen("rt_moved.txt")
  Kill "rt_moved.txt"
  Print FileLen("rt_moved.txt")
  MkDir "rt_sub"
  ChDir "rt_sub"
  Print Right(CurDir, 7) = "/rt_sub"; FileLen("../rt_data.txt")
  ChDrive "Q"
  ChDir ".."
  RmDir "rt_sub"
  ChDir "rt_sub"
  Print Right(CurDir, 7) = "/rt_sub"
End Sub
