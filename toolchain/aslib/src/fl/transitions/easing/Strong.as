package fl.transitions.easing
{
	/**
	 * Easing with the fifth power of the time: a stronger start (easeIn)
	 * or stop (easeOut) than Regular.
	 */
	public class Strong
	{
		public static function easeIn(t:Number, b:Number, c:Number, d:Number):Number
		{
			const f:Number = t / d;
			return c * f * f * f * f * f + b;
		}

		public static function easeOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			const g:Number = t / d - 1;
			return c * (g * g * g * g * g + 1) + b;
		}

		public static function easeInOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			const f:Number = 2 * t / d;
			if (f < 1)
				return c / 2 * f * f * f * f * f + b;
			const g:Number = f - 2;
			return c / 2 * (g * g * g * g * g + 2) + b;
		}
	}
}
