#!/bin/sh
echo "tool ran with $1" > tool.txt
