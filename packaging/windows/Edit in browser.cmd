@echo off
cd /d "%~dp0"
skilltab.exe serve mm7.exe
if errorlevel 1 pause
