' A late-bound script host drives the control by name: properties, the default member,
' a refused value, a wrong type, Begin and Finish.
Option Explicit
Dim j
Set j = CreateObject("Joystick.ControlJoystick")
WScript.Echo "Interval=" & j.Interval
j.Interval = 100
WScript.Echo "Interval=" & j.Interval
WScript.Echo "Default=" & j
j.Interval = 20000
WScript.Echo "Refused=" & j.Interval
On Error Resume Next
j.Interval = "abc"
WScript.Echo "WrongType=" & Err.Number
Err.Clear
On Error GoTo 0
j.Interval = "250"
WScript.Echo "FromText=" & j.Interval
j.Port = 2
WScript.Echo "Port=" & j.Port
j.RepeatButton = True
WScript.Echo "RepeatButton=" & CInt(j.RepeatButton)
WScript.Echo "RepeatCursor=" & CInt(j.RepeatCursor)
j.Begin
j.Finish
Set j = Nothing
WScript.Echo "Done"
